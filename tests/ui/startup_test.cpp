// Start-up of the English program in an empty working folder.
#include <QAbstractItemModel>
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>
#include <fstream>

#include "FirmwareImageWriter.h"
#include "protocol/Log.h"
#include "UiTestSupport.h"

namespace fs = std::filesystem;

using StartupTest = ScratchFolderTest;

TEST_F(StartupTest, MissingFirmwareImageIsLoggedAndBoxedBeforeTheGreeting) {
  TQZProgrammer& w = ShownWindow();
  // The English captions set the placeholder chip name first, and the chip
  // change logs its three lines before the start-up's own.
  const std::vector<std::string> expected = {
      "Chip \"Pleaseinput Chip......\" is selectd.",
      "Chip Main Flash is 0B/0KB.",
      "..............................................",
      "File of \"VOzOZEdud.ZQM\" not Found!",
      "Hello KorvanQZ-Plus User! ----- " + ShortDateText(),
      "3.3V Interface is selected!",
  };
  EXPECT_EQ(LogTexts(), expected);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0], "File \"VOzOZEdud.ZQM\" not found, please confirm!");
  EXPECT_EQ(Js().FirmwareLoaded, 0);
  // Every line but the chip change's row of full stops is stamped "> " + long time + " ".
  for (const std::string& line : w.LogLines()) {
    if (line.front() != '.') {
      EXPECT_EQ(line.rfind("> ", 0), 0u) << line;
    }
  }
}

TEST_F(StartupTest, PresentFirmwareImageIsLoadedWithoutAReport) {
  std::string error;
  const std::vector<uint8_t> body(3 * 2048, 0x5A);
  const std::vector<uint8_t> image = BuildFirmwareImage(body, "V2.10", 0x1234, error);
  ASSERT_FALSE(image.empty()) << error;
  std::ofstream("VOzOZEdud.ZQM", std::ios::binary)
      .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  ShownWindow();
  EXPECT_EQ(Js().FirmwareLoaded, 1);
  EXPECT_EQ(Js().Firmware.VersionText(), "V2.10");
  EXPECT_TRUE(boxes.empty());
  ASSERT_GE(LogTexts().size(), 4u);
  EXPECT_EQ(LogTexts()[3], "Hello KorvanQZ-Plus User! ----- " + ShortDateText());
}

TEST_F(StartupTest, UnusableFirmwareImageIsLoggedAndNotLoaded) {
  std::ofstream("VOzOZEdud.ZQM") << "no image at all";
  ShownWindow();
  EXPECT_EQ(Js().FirmwareLoaded, 0);
  EXPECT_TRUE(boxes.empty());
  ASSERT_GE(LogTexts().size(), 5u);
  EXPECT_EQ(LogTexts()[3], "File of \"VOzOZEdud.ZQM\" is not a valid firmware image!");
  EXPECT_EQ(LogTexts()[4], "Hello KorvanQZ-Plus User! ----- " + ShortDateText());
}

TEST_F(StartupTest, AFolderNamedLikeTheImageIsNoImage) {
  fs::create_directory("VOzOZEdud.ZQM");
  ShownWindow();
  ASSERT_EQ(boxes.size(), 1u);
}

TEST_F(StartupTest, CreatesTheLogFolderAndTakesTheWorkingFolder) {
  ShownWindow();
  EXPECT_TRUE(fs::is_directory(dir_ / "Log"));
  EXPECT_EQ(fs::path(Js().AppDir), dir_);
}

TEST_F(StartupTest, AnExistingLogFolderIsKept) {
  fs::create_directory("Log");
  std::ofstream("Log/old.log") << "x";
  ShownWindow();
  EXPECT_TRUE(fs::exists("Log/old.log"));
}

TEST_F(StartupTest, RunsOnceAtTheFirstShowOnly) {
  TQZProgrammer& w = ShownWindow();
  w.hide();
  w.show();
  EXPECT_EQ(LogTexts().size(), 6u);
  EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(StartupTest, ChipNameChangeRunsBeforeTheChipDefaultsWithTheLogBound) {
  TQZProgrammer& w = Window();
  // What the chip-change handler will see when the caption step sets the
  // placeholder name: the log already bound, the chip parameters not yet set.
  std::vector<std::string> names;
  uint32_t chipSizeSeen = 99;
  IView* logSeen = nullptr;
  QObject::connect(w.MCUNameEdit, &QLineEdit::textChanged, [&](const QString& text) {
    names.push_back(text.toStdString());
    chipSizeSeen = Js().ChipSize;
    logSeen = Js().LogMemo;
  });
  w.show();
  ASSERT_EQ(names, std::vector<std::string>{"Pleaseinput Chip......"});
  EXPECT_EQ(chipSizeSeen, 0u);
  EXPECT_EQ(logSeen, &w);
  EXPECT_EQ(Js().ChipSize, 2048u);  // the defaults come after
  EXPECT_EQ(w.MCUNameEdit->text().toStdString(), "Pleaseinput Chip......");
}

TEST_F(StartupTest, JobStateAndSlotTablesAreReady) {
  TQZProgrammer& w = ShownWindow();
  EXPECT_EQ(Js().ChipSize, 2048u);
  EXPECT_EQ(Js().I2CDevAddr, 0xA0);
  EXPECT_EQ(Js().ChipSelected, 0);
  EXPECT_EQ(Js().DataBuffer[0x8200000], 0xFF);
  EXPECT_EQ(Js().LogMemo, &w);
  for (int i = 0; i < kSlotCount; ++i) {
    EXPECT_EQ(Js().SlotOp[i], kOpIdle);
    EXPECT_EQ(Js().GaugeSlots[i], &w.Gauge(i)) << i;
    ASSERT_NE(Js().CommSlots[i], nullptr) << i;
    EXPECT_FALSE(Js().CommSlots[i]->IsOpen());
  }
  EXPECT_EQ(w.Gauge(2).Bar(), w.GaugeBar3);
}

TEST_F(StartupTest, PagesAndGridsAsFirstShown) {
  TQZProgrammer& w = ShownWindow();
  EXPECT_EQ(w.size(), QSize(910, 681));
  EXPECT_EQ(w.ProductEditX->height(), 22);

  // The English build's chip change at the caption step turns the settings
  // pages to their first page; it shows the data tab, and the flash panel of
  // the placeholder chip (family 0) hides it again. The Chinese build keeps
  // the pages as hidden and chosen here.
  EXPECT_FALSE(w.ViewPageCtrl->isTabVisible(w.ViewPageCtrl->indexOf(w.TabSheetFlash)));
  EXPECT_FALSE(w.ViewPageCtrl->isTabVisible(w.ViewPageCtrl->indexOf(w.TabSheetRdData)));
  EXPECT_TRUE(w.ViewPageCtrl->isTabVisible(w.ViewPageCtrl->indexOf(w.TabSheetChip)));
  EXPECT_EQ(w.ViewPageCtrl->currentWidget(), w.TabSheetChip);
  EXPECT_EQ(w.PageControl1->currentIndex(), 0);

  for (QTableView* grid : {w.HexViewer, w.RdDatView}) {
    EXPECT_EQ(grid->columnWidth(0), 70);
    EXPECT_EQ(grid->columnWidth(17), 130);
    EXPECT_EQ(grid->columnWidth(5), 25);
    QAbstractItemModel* m = grid->model();
    EXPECT_EQ(m->data(m->index(0, 1)).toString().toStdString(), "  0");
    EXPECT_EQ(m->data(m->index(0, 11)).toString().toStdString(), "  A");
    EXPECT_EQ(m->data(m->index(0, 16)).toString().toStdString(), "  F");
  }
}

TEST_F(StartupTest, EnglishCaptionsReplaceTheListedOnesOnly) {
  // A settings file without its section lists no port and leaves the port
  // box's text alone.
  std::ofstream("ConfigKvn.ini") << "[Other]\r\n";
  TQZProgrammer& w = ShownWindow();
  auto tab = [](QTabWidget* tabs, QWidget* page) {
    return tabs->tabText(tabs->indexOf(page)).toStdString();
  };
  EXPECT_EQ(w.SpdBtnExit->text().toStdString(), "Exit");
  EXPECT_EQ(w.SpdBtnVerify->text().toStdString(), "Verify");
  EXPECT_EQ(w.StatusPanels[2]->text().toStdString(), "Total OK:");
  EXPECT_EQ(w.StatusPanels[3]->text().toStdString(), "Total NG:");
  EXPECT_EQ(w.StatusPanels[0]->text().toStdString(), "ACC CheckSum : ");
  EXPECT_EQ(tab(w.PageControl1, w.TabSheetDP), "Sum Dispalay");
  EXPECT_EQ(tab(w.ViewPageCtrl, w.TabSheetChip), "Chip Set");
  EXPECT_EQ(w.RadioGrpSumDP->Items(),
            (QStringList{"Display Chip ACC Sum", "Display File ACC Sum"}));
  EXPECT_EQ(w.RadioGrpSumDP->ItemIndex(), 0);
  EXPECT_EQ(w.ComboBoxCOM->currentText().toStdString(), "Please Select COM......");
  EXPECT_EQ(w.LoadFromTesmelProject->text().toStdString(), "Open Tesmel Project");
  EXPECT_EQ(w.RadioGpVolt->title().toStdString(), "Voltage");
  // Not in the list: designed captions stay.
  EXPECT_EQ(w.ChkBoxLSP->text().toStdString(), "启用低速烧写");
  EXPECT_EQ(tab(w.ViewPageCtrl, w.TabSheetRdData), "Read Data");
  // Set by the chip change that the placeholder name raises.
  EXPECT_EQ(w.lbFlashSize->text().toStdString(), "0 Byte");
}
