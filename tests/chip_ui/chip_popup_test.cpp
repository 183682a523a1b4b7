// The chip popup in the English build: its menu tree, the choice, the chip
// button and its position.
#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include "ChipTestWindow.h"

namespace {

// The visible items of a menu: captions, "-" for a separator, "name>" for a submenu.
QStringList VisibleItems(QMenu* menu) {
  QStringList items;
  for (QAction* a : menu->actions()) {
    if (!a->isVisible()) continue;
    if (a->isSeparator()) items << "-";
    else if (a->menu() != nullptr) items << a->text() + ">";
    else items << a->text();
  }
  return items;
}

int CountVisibleEntries(QMenu* menu) {
  int n = 0;
  for (QAction* a : menu->actions()) {
    if (!a->isVisible() || a->isSeparator()) continue;
    n += a->menu() != nullptr ? CountVisibleEntries(a->menu()) : 1;
  }
  return n;
}

bool AllVisibleTextIsAscii(QMenu* menu) {
  for (QAction* a : menu->actions()) {
    if (!a->isVisible()) continue;
    for (QChar ch : a->text()) {
      if (ch.unicode() > 0x7E) return false;
    }
    if (a->menu() != nullptr && !AllVisibleTextIsAscii(a->menu())) return false;
  }
  return true;
}

TEST(ChipPopup, EnglishMenuTreeAfterShowing) {
  ChipTestWindow w;
  w.form->show();
  QMenu* top = w.form->PopupMenuQZ();
  EXPECT_EQ(VisibleItems(top),
            (QStringList{"SPI  Flash>", "I2C EEPROM>", "SPI EEPROM>", "Microwire EEPROM>",
                         "Temp. Sensor>", "-", "FM24C32D", "-", "AT45DB16E"}));
  EXPECT_EQ(VisibleItems(w.form->SubmenuFor(MenuGroup::SpiFlash)),
            (QStringList{"ADESTO>", "SST/Microchip>", "KH25Uxx>", "Winbond>", "GigaDevice>",
                         "Macronix International>", "M25Pxx>", "MD25xxx>",
                         "Puya Semiconductor>", "Other Mfg.>", "General P/N>",
                         "M45xxx Chips>", "Boya Microelectronice>", "HuaHong(Zealcore)>"}));
  EXPECT_EQ(VisibleItems(w.form->SubmenuFor(MenuGroup::OtherMakers)),
            (QStringList{"TS25L16BP", "-", "EN25T16", "-", "S25FL004Axx", "S25FL008Axx",
                         "S25FL16xx", "S25FL32xx", "S25FL64xx", "S25FL128xx", "S25FL256xx",
                         "-", "MK25D80"}));
  EXPECT_EQ(VisibleItems(w.form->SubmenuFor(MenuGroup::MicrowireEeprom)).size(), 9);
  EXPECT_EQ(CountVisibleEntries(top), 194);
  EXPECT_TRUE(AllVisibleTextIsAscii(top));
  EXPECT_EQ(w.form->Label1()->text(), "Click to Select!");
  EXPECT_EQ(w.form->windowTitle(), "Chip Selection");
  w.form->hide();
}

TEST(ChipPopup, ChoosingAnEntrySetsTheFieldsTheNameAndTheClassPanel) {
  ChipTestWindow w;
  w.js->ChipId1 = 0x77;
  w.Choose("24xx64");
  EXPECT_EQ(w.Find<QLineEdit>("MCUNameEdit")->text(), "24xx64");
  EXPECT_EQ(w.chipChanges, 1);
  EXPECT_EQ(w.js->ChipFamily, 0xA0);
  EXPECT_EQ(w.js->ChipSize, 8192u);
  EXPECT_EQ(w.js->ChipAddrMode, 4);
  EXPECT_EQ(w.js->PageSize, 32u);
  EXPECT_EQ(w.js->ChipId1, 0x77);   // left alone
  EXPECT_EQ(w.js->EraseTime, 100);  // from the I2C panel
  EXPECT_FALSE(w.form->isVisible());
}

TEST(ChipPopup, ChoosingTheShownChipAgainRaisesNoChipChange) {
  ChipTestWindow w;
  w.Choose("W25x80xx");
  w.js->EraseTime = 1;
  w.Choose("W25x80xx");
  EXPECT_EQ(w.chipChanges, 1);
  EXPECT_EQ(w.js->EraseTime, 400);  // assigned again all the same
}

TEST(ChipPopup, TheLongestCaptionIsShownWhole) {
  ChipTestWindow w;
  w.Choose("1024M Bits(1024Mbit)");
  EXPECT_EQ(w.Find<QLineEdit>("MCUNameEdit")->text(), "1024M Bits(1024Mbit)");
}

TEST(ChipPopup, OpeningClearsTheFourChipFlagsAndKeepsTheRest) {
  ChipTestWindow w;
  w.Choose("GD25LD10C");
  w.js->ChipOptions = 0x10;
  w.js->PageEraseChip = 1;
  w.js->Esp8285Mode = 1;
  ASSERT_EQ(w.js->Vcc18V, 1);
  w.form->show();
  w.form->reject();  // dismissed without a choice
  EXPECT_EQ(w.js->ChipOptions, 0);
  EXPECT_EQ(w.js->Vcc18V, 0);
  EXPECT_EQ(w.js->PageEraseChip, 0);
  EXPECT_EQ(w.js->Esp8285Mode, 0);
  EXPECT_EQ(w.js->ChipId1, 0xC8);
  EXPECT_EQ(w.Find<QLineEdit>("MCUNameEdit")->text(), "GD25LD10C");
  EXPECT_EQ(w.chipChanges, 1);
}

TEST(ChipPopup, ClosingTheFormTakesTheMenuWithIt) {
  ChipTestWindow w;
  w.form->show();
  ASSERT_TRUE(w.form->PopupMenuQZ()->isVisible());
  w.form->reject();  // e.g. closed by the system while the menu was up
  EXPECT_FALSE(w.form->PopupMenuQZ()->isVisible());
}

TEST(ChipPopup, AFormRestoredBySystemIsNotOpenedAgain) {
  ChipTestWindow w;
  w.form->show();
  w.form->PopupMenuQZ()->hide();
  w.js->ChipOptions = 0x10;
  w.form->setWindowState(Qt::WindowMinimized);
  QApplication::processEvents();
  w.form->setWindowState(Qt::WindowNoState);
  QApplication::processEvents();
  EXPECT_EQ(w.js->ChipOptions, 0x10);
  EXPECT_FALSE(w.form->PopupMenuQZ()->isVisible());
  w.form->hide();
}

// The Part's tables give these entries the popup-cleared flags as an explicit
// 0; the table leaves them alone, which must come to the same through the
// button: the flags are cleared before the menu can offer a choice.
TEST(ChipButton, FlagsAnEntryGivesAsZeroAreZeroAfterTheChoice) {
  for (const char* chip : {"GD25LQ10C", "W25x80xx", "MX25L80xxx", "93xx56A", "SST25VF020x"}) {
    SCOPED_TRACE(chip);
    ChipTestWindow w;
    w.js->ChipOptions = 0x13;
    w.js->Vcc18V = 1;
    w.js->PageEraseChip = 1;
    w.js->Esp8285Mode = 1;
    QTimer::singleShot(0, [&] { w.form->ActionFor(chip)->trigger(); });
    w.window.DevButtonClick();
    EXPECT_EQ(w.Find<QLineEdit>("MCUNameEdit")->text(), chip);
    EXPECT_EQ(w.js->ChipOptions, 0);
    EXPECT_EQ(w.js->Vcc18V, 0);
    EXPECT_EQ(w.js->PageEraseChip, 0);
    EXPECT_EQ(w.js->Esp8285Mode, 0);
  }
}

TEST(ChipButton, AChoiceRenewsTheSizeCopyAtThePlaceBesideTheButton) {
  ChipTestWindow w;
  w.window.move(100, 50);  // not shown: its first show starts the whole program
  w.js->Vcc18V = 1;
  QPoint formPos;
  QTimer::singleShot(0, [&] {
    formPos = w.form->pos();
    w.form->ActionFor("W25x16xx")->trigger();
  });
  w.window.DevButtonClick();
  EXPECT_EQ(w.js->ChipSizeCopy, 2u * 1024 * 1024);
  EXPECT_EQ(w.js->Vcc18V, 0);
  EXPECT_EQ(w.window.focusWidget(), w.window.Panel1);
  ASSERT_EQ(w.window.pos(), QPoint(100, 50));
  const int x = 100 + 275 + 30 + 15;  // DevButton's left and width
  const int y = 50 + 0 + 120;         // GroupBox2's top
  EXPECT_EQ(formPos, QPoint(x + 5, y + 10));
}

TEST(ChipButton, ADismissedPopupLeavesTheSizeCopyAlone) {
  ChipTestWindow w;
  w.js->ChipSize = 1000;       // trimmed by a load
  w.js->ChipSizeCopy = 4096;   // the chip's own size
  QTimer::singleShot(0, [&] { w.form->reject(); });
  w.window.DevButtonClick();
  EXPECT_EQ(w.js->ChipSizeCopy, 4096u);
  EXPECT_EQ(w.chipChanges, 0);
}

TEST(ChipButton, TheLabelAndTheFormPopTheMenuUpAgain) {
  ChipTestWindow w;
  w.form->show();
  w.form->PopupMenuQZ()->hide();
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w.form->Label1(), &press);
  EXPECT_TRUE(w.form->PopupMenuQZ()->isVisible());
  w.form->PopupMenuQZ()->hide();
  QApplication::sendEvent(w.form.get(), &press);
  EXPECT_TRUE(w.form->PopupMenuQZ()->isVisible());
  w.form->hide();
}

}  // namespace
