// The main window's data buffer commands and dialogs, on the offscreen platform.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <fstream>

#include "messages/Format.h"
#include "ui/DataViewForm.h"
#include "ui/HexGridModel.h"
#include "ui/LogCfgForm.h"
#include "ui/UiTestSupport.h"

namespace {

class DataCommands : public ScratchFolderTest {
 protected:
  TQZProgrammer& ReadyWindow(uint8_t family, uint32_t size) {
    TQZProgrammer& w = ShownWindow();
    Js().ChipSelected = 1;
    Js().ChipFamily = family;
    Js().ChipSize = Js().ChipSizeCopy = size;
    w.FileDialogHook = [this](const TFileDialogSpec& spec, bool save) {
      asked.push_back(spec.Filter + (save ? " (save)" : ""));
      return answer;
    };
    return w;
  }
  std::string WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream((dir_ / name).string(), std::ios::binary) << bytes;
    return (dir_ / name).string();
  }
  static THexGridModel& Grid(TQZProgrammer& w) { return *static_cast<THexGridModel*>(w.HexViewer->model()); }
  bool HasLog(const std::string& text) {
    auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }

  std::vector<std::string> asked;
  std::string answer;
};

TEST_F(DataCommands, LoadWithoutAChipAsksForTheChipFirst) {
  TQZProgrammer& w = ShownWindow();
  w.FileDialogHook = [this](const TFileDialogSpec&, bool) {
    asked.push_back("dialog");
    return std::string();
  };
  boxes.clear();
  w.FileOpenBtnClick();
  EXPECT_EQ(boxes, std::vector<std::string>{"Please select Chip Type!"});
  EXPECT_TRUE(asked.empty());
}

TEST_F(DataCommands, LoadedEepromImageFillsTheGridAndTheStatusBar) {
  TQZProgrammer& w = ReadyWindow(0xA0, 256);
  std::string content(256, '\0');
  for (int i = 0; i < 256; ++i) content[i] = static_cast<char>(i);
  answer = WriteFile("eep.bin", content);
  boxes.clear();
  w.FileOpenBtnClick();
  EXPECT_TRUE(boxes.empty());
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_EQ(asked[0],
            "All Files (*.*)|*.*|All Binary Files (*.Bin)|*.Bin|All Intel Hex Files (*.Hex)|*.Hex|"
            "All Motorola Hex Files(*.S19,*.Sxx)|*.S19;*.Sx|All Hex/Binary Files (*.Hex,*.S1*,*.Bin)|"
            "*.Hex;*.S1*;*.Bin");
  EXPECT_EQ(w.ProductEditX->text().toStdString(), answer);
  EXPECT_EQ(Js().DataLoaded, 1);
  EXPECT_TRUE(HasLog("Load object file : " + answer));
  EXPECT_TRUE(HasLog("File End Address   = 0x0000FF."));

  THexGridModel& grid = Grid(w);
  EXPECT_EQ(grid.rowCount(), 17);
  EXPECT_EQ(grid.CellText(0, 1), "  0");  // the header set at start-up stays
  EXPECT_EQ(grid.CellText(0, 16), "  F");
  EXPECT_EQ(grid.CellText(16, 0), "0x000000F0");
  EXPECT_EQ(grid.CellText(5, 2), "41");
  EXPECT_EQ(grid.CellText(5, 17), "@ABCDEFGHIJKLMNO");
  EXPECT_TRUE(w.ViewPageCtrl->isTabVisible(w.ViewPageCtrl->indexOf(w.TabSheetFlash)));
  EXPECT_EQ(w.StatusPanels[0]->text().toStdString(), msg::Fmt("File CRC32 : 0x%0.8x", Js().FileCRC32));
  EXPECT_EQ(w.StatusPanels[1]->text().toStdString(), msg::Fmt("Chip CRC32 : 0x%0.8x", Js().ChipCRC32));
  EXPECT_EQ(Js().FileCRC32, Js().ChipCRC32);
}

// Row 0 is the grid's fixed row: its texts stay in sight however far the
// rows are scrolled, and every fill shows the grid from its first row.
TEST_F(DataCommands, HeaderRowStaysFixedWhileTheRowsScroll) {
  TQZProgrammer& w = ReadyWindow(0xA0, 0x10000);
  answer = WriteFile("eep64k.bin", std::string(0x10000, '\x5A'));
  w.FileOpenBtnClick();
  QTableView* view = w.HexViewer;
  THexGridModel& grid = Grid(w);
  ASSERT_EQ(grid.rowCount(), 0x1001);
  EXPECT_TRUE(view->isRowHidden(0));
  EXPECT_FALSE(view->isRowHidden(1));
  EXPECT_FALSE(view->horizontalHeader()->isHidden());
  EXPECT_EQ(grid.headerData(0, Qt::Horizontal).toString(), "");
  EXPECT_EQ(grid.headerData(1, Qt::Horizontal).toString(), "  0");
  EXPECT_EQ(grid.headerData(11, Qt::Horizontal).toString(), "  A");
  EXPECT_EQ(grid.headerData(16, Qt::Horizontal).toString(), "  F");
  EXPECT_EQ(grid.headerData(17, Qt::Horizontal).toString(), "");
  EXPECT_EQ(view->columnWidth(0), 70);
  EXPECT_EQ(view->columnWidth(17), 130);

  view->scrollToBottom();
  ASSERT_GT(view->verticalScrollBar()->value(), 0);
  w.FileOpenBtnClick();
  EXPECT_EQ(view->verticalScrollBar()->value(), 0);
  EXPECT_TRUE(view->isRowHidden(0));
}

TEST_F(DataCommands, ChoicesOfTheWindowReachTheRange) {
  TQZProgrammer& w = ReadyWindow(0, 0x100000);
  answer = WriteFile("small.bin", std::string(1000, '\x11'));
  w.RadioGroupX->SetItemIndex(0);
  w.ChkBoxCPES->setChecked(true);  // "User Chip Size": no trimming
  w.FileOpenBtnClick();
  EXPECT_EQ(Js().DataEnd, 0xFFFFFu);
  EXPECT_EQ(w.StatusPanels[0]->text().toStdString(), "File ACC32 : 0x00004268");  // 1000 * 0x11
  EXPECT_FALSE(w.ViewPageCtrl->isTabVisible(w.ViewPageCtrl->indexOf(w.TabSheetFlash)));  // no grid

  w.ChkBoxCPES->setChecked(false);
  w.FileOpenBtnClick();
  EXPECT_EQ(Js().DataEnd, 0xFFFu);
}

TEST_F(DataCommands, CancelledOpenChangesNothing) {
  TQZProgrammer& w = ReadyWindow(0, 0x10000);
  size_t lines = w.LogLines().size();
  answer.clear();
  w.FileOpenBtnClick();
  EXPECT_EQ(w.LogLines().size(), lines);
  EXPECT_EQ(Js().DataLoaded, 0);
}

TEST_F(DataCommands, RefusedFileLeavesNoDataAndTheOldPath) {
  TQZProgrammer& w = ReadyWindow(0, 0x10000);
  answer = WriteFile("bad.hex", ":0100000001FE\n:01000100GG00\n");
  boxes.clear();
  w.FileOpenBtnClick();
  EXPECT_EQ(boxes, std::vector<std::string>{"Data File Error at Line 2: character that is not a hex digit!"});
  EXPECT_EQ(Js().DataLoaded, 0);
  EXPECT_EQ(w.ProductEditX->text(), "");
}

TEST_F(DataCommands, SaveWritesTheRange) {
  TQZProgrammer& w = ReadyWindow(0, 0x100000);
  boxes.clear();
  w.FileSaveBtnClick();  // nothing loaded yet
  EXPECT_EQ(boxes, std::vector<std::string>{"No data to be saved!"});
  EXPECT_TRUE(asked.empty());

  answer = WriteFile("src.bin", std::string(1000, '\x22'));
  w.FileOpenBtnClick();
  boxes.clear();
  answer.clear();  // cancelled save dialog
  w.FileSaveBtnClick();
  EXPECT_EQ(boxes, std::vector<std::string>{"No data to be saved!"});
  EXPECT_EQ(asked.back(), "All Binary Files(*.BIN)|*.BIN (save)");

  answer = (dir_ / "out.bin").string();
  boxes.clear();
  w.FileSaveBtnClick();
  EXPECT_EQ(boxes, std::vector<std::string>{"File \"" + answer + "\" has been saved!"});
  EXPECT_EQ(std::filesystem::file_size(answer), 4096u);  // DataEnd - DataStart + 1
}

TEST_F(DataCommands, LogDialogDrivesTheSettingsReadAtClose) {
  TQZProgrammer& w = ShownWindow();
  TLogCfgForm& form = w.LogCfgForm();
  EXPECT_TRUE(w.LogCfg.LogEnabled);
  EXPECT_TRUE(w.LogCfg.AutoLogName);
  EXPECT_EQ(w.LogCfg.LogFileName, "QZ_2016xx.log");
  form.SetCreatIndex(1);
  form.SetModIndex(2);
  form.EditLogName->setText("mine.log");
  EXPECT_FALSE(w.LogCfg.AutoLogName);
  EXPECT_EQ(w.LogCfg.LogWriteMode, LogConfig::Append);
  EXPECT_EQ(w.LogCfg.GetLogFileName(), "mine.log");
  form.CheckBoxLog->setChecked(false);
  EXPECT_FALSE(w.LogCfg.LogEnabled);
}

TEST_F(DataCommands, DataViewerOpensOnlyWithAChipType) {
  TQZProgrammer& w = ShownWindow();
  w.ViewDataBuffer1Click();  // no chip: returns at once, nothing shown
  EXPECT_FALSE(w.DataViewForm().isVisible());

  Js().ChipSelected = 1;
  Js().DataEnd = 0xFFFF;
  w.DataViewForm().DataViewOffset = 0x400;
  bool wasVisible = false;
  std::string firstLine;
  QTimer::singleShot(0, &w, [&] {
    wasVisible = w.DataViewForm().isVisible();
    firstLine = w.DataViewForm().DataViewMemo->toPlainText().split('\n').value(1).toStdString();
    w.DataViewForm().BitBtn3->click();
  });
  w.ViewDataBuffer1Click();
  EXPECT_TRUE(wasVisible);
  EXPECT_EQ(w.DataViewForm().DataViewOffset, 0u);
  EXPECT_EQ(firstLine.substr(0, 15), "0x00000000  FF ");  // an erased buffer
}

}  // namespace
