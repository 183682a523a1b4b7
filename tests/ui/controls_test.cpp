// The window definition: names, initial states, limits, menus, timers, and
// the small control adapters (gauge, radio group, file dialog filter).
#include <QAction>
#include <QPlainTextEdit>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cmath>
#include <string>

#include "UiTestSupport.h"
#include "ui/GaugeBar.h"
#include "ui/Widgets.h"

using ControlsTest = ScratchFolderTest;

TEST_F(ControlsTest, ControlsCarryTheirNamesAsObjectNames) {
  TQZProgrammer& w = Window();
  EXPECT_EQ(w.objectName(), "QZProgrammer");
  EXPECT_EQ(w.windowTitle().toStdString(), "KorvanQZ-Plus Flash Programmer");
  for (const char* name : {"SpdBtnExit", "SpdBtnVerify", "ProductEditX", "ViewPageCtrl",
                           "InfoMemo", "GaugeBar8", "MCUNameEdit", "PageControl1", "ComBoxWPF",
                           "RadioGroupA61", "SpinEditOut", "RadioGroupX", "ComboBoxCOM",
                           "BitBtnFindCOM", "HexViewer", "RdDatView", "StatusBar1", "Timer2"})
    EXPECT_NE(w.findChild<QObject*>(name), nullptr) << name;
  EXPECT_EQ(w.findChild<QAction*>("VeriufyDownload1"), w.VeriufyDownload1);
  EXPECT_EQ(w.findChild<QObject*>("SpdBtnExit"), w.SpdBtnExit);
}

TEST_F(ControlsTest, InitialVisibilityAndEnabledStates) {
  // As designed, before the first show's chip change touches them.
  TQZProgrammer& w = Window();
  for (QWidget* hidden :
       {static_cast<QWidget*>(w.SpdBtnBlkChk), static_cast<QWidget*>(w.SpdBtnErase),
        static_cast<QWidget*>(w.ChkBoxCPES), static_cast<QWidget*>(w.RadioGroupSpd),
        static_cast<QWidget*>(w.GroupBoxCtrl), static_cast<QWidget*>(w.ChkBoxStrSN),
        static_cast<QWidget*>(w.ComBoxWP8), static_cast<QWidget*>(w.EditDevAdrX),
        static_cast<QWidget*>(w.Button1)})
    EXPECT_TRUE(hidden->isHidden()) << hidden->objectName().toStdString();
  EXPECT_FALSE(w.SpdBtnProg->isHidden());
  for (QWidget* disabled : {static_cast<QWidget*>(w.SNEdit), static_cast<QWidget*>(w.GainEdit),
                            static_cast<QWidget*>(w.AddrEdit), static_cast<QWidget*>(w.ChkBoxPCSN),
                            static_cast<QWidget*>(w.SNOrderChk)})
    EXPECT_FALSE(disabled->isEnabled()) << disabled->objectName().toStdString();
  EXPECT_TRUE(w.EnProgChk->isChecked());
  EXPECT_TRUE(w.EnVerifyChk->isChecked());
  EXPECT_FALSE(w.EnBlankChk->isChecked());
  EXPECT_EQ(w.RadioGpVolt->ItemIndex(), 0);
  EXPECT_EQ(w.RadioGroupSpd->ItemIndex(), 3);
  EXPECT_EQ(w.RadioGroupX->ItemIndex(), 1);
  EXPECT_EQ(w.ComBoxWP8->count(), 8);
  EXPECT_EQ(w.ComBoxWPF->count(), 16);
  EXPECT_EQ(w.ComBoxWPF->itemText(5).toStdString(), "0101: Protected Level 5");
  EXPECT_EQ(w.ComBoxWPF->itemText(15).toStdString(), "1111: Protected ALL");
  EXPECT_EQ(w.ComBoxWP8->itemText(7).toStdString(), "111: Protected All");
  EXPECT_EQ(w.EditDevAdrX->text().toStdString(), "0xA0");
  EXPECT_EQ(w.InfoPanel->text().toStdString(), "Device = ??????");
  EXPECT_TRUE(w.InfoMemo->isReadOnly());
  EXPECT_EQ(w.StatusPanels[0]->width(), 200);
}

// The tool bar's speed buttons read as buttons: each framed, each with a
// glyph of its own beside its caption.
TEST_F(ControlsTest, SpeedButtonsAreFramedWithAGlyphEach) {
  TQZProgrammer& w = Window();
  const QToolButton* buttons[] = {w.SpdBtnExit,  w.SpdBtnOpen,   w.SpdBtnSave,   w.SpdBtnDownLoad,
                                  w.SpeedButtonRD, w.SpdBtnAutoP, w.SpdBtnBlkChk, w.SpdBtnErase,
                                  w.SpdBtnProg,  w.SpdBtnVerify};
  std::vector<QImage> glyphs;
  for (const QToolButton* b : buttons) {
    SCOPED_TRACE(b->objectName().toStdString());
    EXPECT_FALSE(b->autoRaise());
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    ASSERT_FALSE(b->icon().isNull());
    const QImage glyph = b->icon().pixmap(16, 16).toImage();
    for (const QImage& other : glyphs) EXPECT_NE(glyph, other);
    glyphs.push_back(glyph);
  }
}

TEST_F(ControlsTest, ChipNameTakesNamesLongerThanItsTypingLimit) {
  TQZProgrammer& w = Window();
  w.MCUNameEdit->setText("W25Q128JV-IQ/JQ-XYZW");  // 20 characters
  EXPECT_EQ(w.MCUNameEdit->text().size(), 20);
  EXPECT_EQ(widgets::TypingLimitOf(w.MCUNameEdit), 16);
  EXPECT_TRUE(w.MCUNameEdit->isReadOnly());
}

TEST_F(ControlsTest, EditLimitsBoundTypingButNotTheTextsTheProgramSets) {
  TQZProgrammer& w = Window();
  struct Case {
    QLineEdit* edit;
    int limit;
  } cases[] = {{w.SNEdit, 10}, {w.GainEdit, 4}, {w.AddrEdit, 10}, {w.EditDevAdrX, 4}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edit->objectName().toStdString());
    EXPECT_EQ(widgets::TypingLimitOf(c.edit), c.limit);
    c.edit->setEnabled(true);
    c.edit->clear();
    QTest::keyClicks(c.edit, "0x123456789ABC");
    EXPECT_EQ(c.edit->text().size(), c.limit);
    // A gain of 0x10001 from a project file stays whole (it is cut to 16
    // bits when it is read, not when it is shown), and can be edited.
    c.edit->setText("0x10001");
    EXPECT_EQ(c.edit->text().toStdString(), "0x10001");
    c.edit->setText("0x1234567890");
    EXPECT_EQ(c.edit->text().toStdString(), "0x1234567890");
    c.edit->setCursorPosition(c.edit->text().size());
    QTest::keyClick(c.edit, Qt::Key_Backspace);
    EXPECT_EQ(c.edit->text().toStdString(), "0x123456789");
  }
}

TEST_F(ControlsTest, SpinEditLimits) {
  TQZProgrammer& w = Window();
  struct Case {
    QSpinBox* spin;
    int min, max, value;
  } cases[] = {
      {w.SpinEditNumb, 0, 1000000, 0}, {w.SpinEditPTM, 10, 2000, 100},
      {w.SpinPowDown, 10, 2000, 100},  {w.SpinEditIn, 300, 1500, 500},
      {w.SpinEditOut, 300, 2000, 500},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.spin->objectName().toStdString());
    EXPECT_EQ(c.spin->minimum(), c.min);
    EXPECT_EQ(c.spin->maximum(), c.max);
    EXPECT_EQ(c.spin->value(), c.value);
    EXPECT_EQ(c.spin->singleStep(), 10);
  }
}

TEST_F(ControlsTest, MenuShortcutsAndHiddenItems) {
  TQZProgrammer& w = Window();
  struct Case {
    QAction* action;
    QKeySequence keys;
  } cases[] = {
      {w.Execute1, QKeySequence("Ctrl+L")},     {w.SaveFile1, QKeySequence("Ctrl+S")},
      {w.Exit1, QKeySequence("Ctrl+X")},        {w.Download1, QKeySequence("Ctrl+D")},
      {w.ReadFlash1, QKeySequence("Ctrl+R")},   {w.EraseChip1, QKeySequence(Qt::Key_F6)},
      {w.Programming1, QKeySequence(Qt::Key_F7)}, {w.VeriufyDownload1, QKeySequence(Qt::Key_F8)},
      {w.AutoProgram1, QKeySequence(Qt::Key_F5)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.action->shortcut(), c.keys) << c.action->text().toStdString();
  EXPECT_FALSE(w.ReadFlash1->isVisible());
  EXPECT_FALSE(w.AddressWrite1->isVisible());
  // The project menu is the only way to the two project commands.
  EXPECT_TRUE(w.Project1->menuAction()->isVisible());
  EXPECT_TRUE(w.N14->isSeparator());
  EXPECT_EQ(w.Exit1->text().toStdString(), "E&xit");
  EXPECT_EQ(w.PopupMenu2->actions().size(), 3);
}

TEST_F(ControlsTest, FunctionKeysStartTheirCommandsWhileTheButtonsAreHidden) {
  TQZProgrammer& w = ShownWindow();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.SpdBtnErase->hide();  // as for a chip without an erase step
  w.SpdBtnBlkChk->hide();
  struct Case {
    Qt::Key key;
    QAction* action;
  } cases[] = {{Qt::Key_F5, w.AutoProgram1},
               {Qt::Key_F6, w.EraseChip1},
               {Qt::Key_F7, w.Programming1},
               {Qt::Key_F8, w.VeriufyDownload1}};
  for (const Case& c : cases) {
    QSignalSpy spy(c.action, &QAction::triggered);
    QTest::keyClick(&w, c.key);
    EXPECT_EQ(spy.count(), 1) << c.action->text().toStdString();
  }
}

TEST_F(ControlsTest, MenuShortcutsWinOverTheFocusedControl) {
  // As in the menu's own keyboard handling: Ctrl+X exits even from an edit,
  // whose own Ctrl+X would cut.
  TQZProgrammer& w = ShownWindow();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.SNEdit->setEnabled(true);
  w.SNEdit->selectAll();
  struct Case {
    QWidget* focus;
    QKeySequence keys;
    QAction* action;
  } cases[] = {
      {w.SNEdit, QKeySequence("Ctrl+S"), w.SaveFile1},
      {w.ComboBoxCOM, QKeySequence("Ctrl+L"), w.Execute1},
      {w.SpinEditPTM, QKeySequence("Ctrl+D"), w.Download1},
      {w.MCUNameEdit, QKeySequence("Ctrl+X"), w.Exit1},
      {w.ComboBoxCOM, QKeySequence("Ctrl+X"), w.Exit1},
      {w.SNEdit, QKeySequence("Ctrl+X"), w.Exit1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.focus->objectName().toStdString() + " " + c.keys.toString().toStdString());
    // Every command stops at its first check; the exit closes the window.
    w.FileDialogHook = [](const TFileDialogSpec&, bool) { return std::string(); };
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    c.focus->setFocus();
    if (c.focus == w.SNEdit) w.SNEdit->selectAll();
    QSignalSpy spy(c.action, &QAction::triggered);
    QTest::keySequence(c.focus, c.keys);
    EXPECT_EQ(spy.count(), 1);
  }
  EXPECT_EQ(w.SNEdit->text().toStdString(), "0x00000000");  // nothing cut
}

// The pacing timer runs from the window's creation; the 10 ms one waits for
// a slot that needs it, so an idle program does not wake 100 times a second.
TEST_F(ControlsTest, PacingTimerRunsFromCreationTheTickTimerWaitsForWork) {
  TQZProgrammer& w = ShownWindow();
  EXPECT_FALSE(w.Timer1->isActive());
  EXPECT_EQ(w.Timer1->interval(), 10);
  EXPECT_TRUE(w.Timer2->isActive());
  EXPECT_EQ(w.Timer2->interval(), 170);
}

TEST_F(ControlsTest, FileDialogFiltersInQtForm) {
  TQZProgrammer& w = Window();
  EXPECT_EQ(w.OpenDialog1.FilterIndex, 5);
  EXPECT_EQ(w.OpenDialog1.QtSelectedFilter().toStdString(),
            "All Hex/Binary Files (*.Hex,*.S1*,*.Bin) (*.Hex *.S1* *.Bin)");
  EXPECT_EQ(w.OpenDialog1.QtFilter().count(";;"), 4);
  // Every file, with or without an extension.
  EXPECT_TRUE(w.OpenDialog1.QtFilter().startsWith("All Files (*.*) (*);;"));
  EXPECT_EQ(w.SaveDialogPrj.QtFilter().toStdString(),
            "All Tesmel Project Files(*.TKP) (*.TKP)");
  EXPECT_EQ(w.SaveDialog1.DefaultExt, "*.bin");
}

TEST_F(ControlsTest, LogLinesAreTheLinesAppendedHoweverLong) {
  TQZProgrammer& w = Window();
  EXPECT_TRUE(w.LogLines().empty());
  const std::string longLine(400, 'x');  // wraps on screen
  w.AppendLogLine(longLine);
  w.AppendLogLine("芯片");
  EXPECT_EQ(w.LogLines(), (std::vector<std::string>{longLine, "芯片"}));
  w.InfoMemo->clear();
  EXPECT_TRUE(w.LogLines().empty());
}

TEST_F(ControlsTest, PostedTasksRunAfterTheCurrentHandler) {
  TQZProgrammer& w = Window();
  std::vector<int> order;
  w.Post([&] { order.push_back(2); });
  order.push_back(1);
  QCoreApplication::processEvents();
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST_F(ControlsTest, ErrorBoxesGoThroughTheSameHook) {
  TQZProgrammer& w = Window();
  w.ShowErrorMessage("Error opening serial port:ttyUSB9");
  EXPECT_EQ(boxes, std::vector<std::string>{"Error opening serial port:ttyUSB9"});
}

TEST(Gauge, ClampsProgressAndTakesPureColours) {
  TGaugeBar bar;
  TGauge gauge(&bar);
  gauge.SetMax(50);
  gauge.SetProgress(80);
  EXPECT_EQ(gauge.Progress(), 50);
  gauge.SetProgress(-3);
  EXPECT_EQ(gauge.Progress(), 0);
  gauge.SetMax(0);  // no busy indicator
  EXPECT_EQ(gauge.Max(), 0);
  EXPECT_GT(bar.maximum(), bar.minimum());
  EXPECT_EQ(bar.ChunkColor(), QColor(0, 0, 255));
  gauge.SetColor(GaugeColor::Red);
  EXPECT_EQ(gauge.Color(), GaugeColor::Red);
  EXPECT_EQ(bar.ChunkColor(), QColor(255, 0, 0));
  gauge.SetEnabled(false);
  EXPECT_FALSE(bar.isEnabled());
}

namespace {

// Contrast ratio of two colours as legibility guidelines define it (4.5:1
// is the least for normal text).
double Contrast(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

struct GaugeTextCase {
  QColor chunk;
  int percent;
};

}  // namespace

// The percentage is read over the pure blue or red chunk as well as over the
// white rest: the strongest text pixel on each part stands out from it by at
// least 4.5:1, and the chunk keeps its pure colour.
TEST(GaugeBar, PercentageStandsOutOverTheChunkAndTheEmptyPart) {
  const QColor blue(0, 0, 255), red(255, 0, 0), white(255, 255, 255);
  const GaugeTextCase cases[] = {{blue, 100}, {blue, 50}, {blue, 0}, {red, 100}, {red, 50}};
  for (const GaugeTextCase& c : cases) {
    SCOPED_TRACE(c.chunk.name().toStdString() + " " + std::to_string(c.percent) + "%");
    TGaugeBar bar;
    bar.resize(511, 18);  // as in the window
    bar.setRange(0, 100);
    bar.setValue(c.percent);
    bar.SetChunkColor(c.chunk);
    const QImage image = bar.grab().toImage();
    const int chunkEnd = 1 + (bar.width() - 2) * c.percent / 100;
    if (c.percent > 0) {
      EXPECT_EQ(image.pixelColor(3, 9), c.chunk);
    }
    double overChunk = 0, overRest = 0;
    for (int y = 2; y < bar.height() - 2; ++y) {
      for (int x = 200; x < 310; ++x) {
        const bool inChunk = x < chunkEnd;
        const double contrast = Contrast(image.pixelColor(x, y), inChunk ? c.chunk : white);
        (inChunk ? overChunk : overRest) = std::max(inChunk ? overChunk : overRest, contrast);
      }
    }
    if (c.percent >= 50) {
      EXPECT_GE(overChunk, 4.5);
    }
    if (c.percent <= 50) {
      EXPECT_GE(overRest, 4.5);
    }
  }
}

TEST(RadioGroup, ItemIndexAndClickOnEveryChange) {
  TRadioGroup group("g", {"a", "b", "c"}, 2, nullptr);
  QSignalSpy clicks(&group, &TRadioGroup::Click);
  EXPECT_EQ(group.ItemIndex(), -1);
  group.SetItemIndex(2);
  group.SetItemIndex(2);  // no change, no click
  EXPECT_EQ(group.ItemIndex(), 2);
  EXPECT_EQ(clicks.count(), 1);
  group.SetItemIndex(7);  // out of range: nothing chosen
  EXPECT_EQ(group.ItemIndex(), -1);
  group.ClearItems();
  EXPECT_EQ(group.ItemCount(), 0);
  group.AddItem("x");
  group.SetItemIndex(0);
  EXPECT_EQ(group.Items(), QStringList{"x"});
  EXPECT_EQ(group.ItemIndex(), 0);
}
