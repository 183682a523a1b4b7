// The option panels on the window's controls, driven by real chip choices.
#include <gtest/gtest.h>


#include "ChipTestWindow.h"

namespace {

TEST(I2cPanel, TheA16ChoiceOnlyFor128KbPartsWithTheBitOfTheAddressingMode) {
  struct { const char* chip; bool shown; int item; } cases[] = {
      {"M24M01x", true, 0},    // mode 24 has bit 0x10
      {"24xx102x", true, 1},   // mode 8
      {"FM24C1024A", true, 0},
      {"24xx512", false, 1},
      {"GT34C04-xxx", false, 1},
  };
  ChipTestWindow w;
  for (const auto& c : cases) {
    w.Choose(c.chip);
    EXPECT_EQ(!w.Hidden("RadioGroupA61"), c.shown) << c.chip;
    EXPECT_EQ(w.controls.RadioGroupA61->ItemIndex(), c.item) << c.chip;
  }
}

TEST(I2cPanel, ShowsTheEepromControlsAndTheDefaultDeviceAddress) {
  ChipTestWindow w;
  w.Choose("W25x40xx");
  w.Find<QCheckBox>("CheckBoxQE")->setChecked(true);
  w.Find<QComboBox>("ComBoxWP8")->setCurrentIndex(5);
  w.Find<QLineEdit>("EditDevAdrX")->setText("0x50");
  w.js->I2CDevAddr = 0x50;
  w.Choose("24xx64");
  EXPECT_EQ(w.js->EraseTime, 100);
  EXPECT_EQ(w.js->I2CDevAddr, 0xA0);
  EXPECT_EQ(w.Find<QLineEdit>("EditDevAdrX")->text(), "0xA0");
  EXPECT_EQ(w.Find<QComboBox>("ComBoxWP8")->currentIndex(), 0);
  EXPECT_FALSE(w.Hidden("ChkBoxNotBLK"));
  EXPECT_TRUE(w.Hidden("CheckBoxQE"));
  EXPECT_FALSE(w.Find<QCheckBox>("CheckBoxQE")->isChecked());
  for (const char* hidden : {"ChkBoxSRWD", "LabelWP", "ComBoxWP8", "ComBoxWPF", "SpdBtnErase",
                             "SpdBtnBlkChk", "CheckBoxWRP"}) {
    EXPECT_TRUE(w.Hidden(hidden)) << hidden;
  }
  EXPECT_TRUE(IsTabShown(w.controls.TabChipSet));
}

TEST(I2cPanel, TheWriteProtectionBoxComesWithSpdPartsAndStaysForI2cParts) {
  ChipTestWindow w;
  w.Choose("W25x40xx");
  EXPECT_TRUE(w.Hidden("CheckBoxWRP"));
  w.Choose("ATA30TSE004A");
  EXPECT_FALSE(w.Hidden("CheckBoxWRP"));
  w.Choose("24xx02");
  EXPECT_FALSE(w.Hidden("CheckBoxWRP"));
  w.Choose("93xx46");
  EXPECT_TRUE(w.Hidden("CheckBoxWRP"));
  w.Choose("BL34C04A");
  w.Choose("25xx640");
  EXPECT_TRUE(w.Hidden("CheckBoxWRP"));
}

TEST(MicrowirePanel, SlowClockNoSettingsTab) {
  ChipTestWindow w;
  w.controls.RadioGroupSpd->SetItemIndex(2);
  w.js->I2CDevAddr = 0x50;
  w.Choose("93xx66B");
  EXPECT_EQ(w.controls.RadioGroupSpd->ItemIndex(), 0);
  EXPECT_FALSE(IsTabShown(w.controls.TabChipSet));
  EXPECT_TRUE(w.Hidden("ChkBoxNotBLK"));
  EXPECT_TRUE(w.Hidden("CheckBoxQE"));
  EXPECT_EQ(w.js->EraseTime, 100);
  EXPECT_EQ(w.js->I2CDevAddr, 0x50);
  EXPECT_EQ(w.js->ChipOptions, 0x08);
}

TEST(SpiEepromPanel, FastClockInstructionCodesNoSettingsTab) {
  ChipTestWindow w;
  w.Choose("25xx256");
  EXPECT_EQ(w.controls.RadioGroupSpd->ItemIndex(), 3);
  EXPECT_FALSE(IsTabShown(w.controls.TabChipSet));
  EXPECT_FALSE(w.Hidden("ChkBoxNotBLK"));
  EXPECT_TRUE(w.Hidden("ChkBoxSRWD"));
  EXPECT_EQ(w.js->ChipOpBytes,
            (std::array<uint8_t, 8>{0x01, 0x05, 0x04, 0x06, 0xC7, 0x83, 0x02, 0x03}));
  EXPECT_EQ(w.Find<QLineEdit>("EditDevAdrX")->text(), "0xA0");
}

TEST(SpiFlashPanel, ProtectionListBySizeAndSrwdByName) {
  struct {
    const char* chip; bool wp8; bool wpf; bool srwd; uint8_t large; uint32_t page;
  } cases[] = {
      {"W25x40xx", true, false, true, 0, 256},
      {"W25x80xx", false, true, true, 1, 256},
      {"MX25L3233", false, true, false, 1, 256},
      {"MX25L32xxx", false, true, true, 1, 256},
      {"MX25U5121E", true, false, true, 0, 32},
      {"MX25U1001Exx", true, false, true, 0, 32},
      {"AT45DB16E", false, true, true, 1, 256},
  };
  ChipTestWindow w;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.chip);
    w.Choose(c.chip);
    EXPECT_FALSE(w.Hidden("LabelWP"));
    EXPECT_EQ(!w.Hidden("ComBoxWP8"), c.wp8);
    EXPECT_EQ(!w.Hidden("ComBoxWPF"), c.wpf);
    EXPECT_EQ(!w.Hidden("ChkBoxSRWD"), c.srwd);
    EXPECT_EQ(w.js->LargeImage, c.large);
    EXPECT_EQ(w.js->PageSize, c.page);
  }
}

TEST(SpiFlashPanel, ShowsTheFlashControlsAndHidesTheDataView) {
  ChipTestWindow w;
  w.Choose("24xx02");
  w.Find<QCheckBox>("CheckBoxQE")->setChecked(true);
  w.Find<QWidget>("EnBlankChk")->hide();
  w.Find<QWidget>("EnEraseChk")->hide();
  w.js->ChipOpBytes[0] = 0x9C;
  w.Choose("GD25xQ64x");
  EXPECT_FALSE(w.Hidden("CheckBoxQE"));
  EXPECT_FALSE(w.Find<QCheckBox>("CheckBoxQE")->isChecked());
  EXPECT_FALSE(w.Hidden("ChkBoxNotBLK"));
  EXPECT_TRUE(w.Hidden("CheckBoxWRP"));
  EXPECT_FALSE(w.Hidden("EnBlankChk"));
  EXPECT_FALSE(w.Hidden("EnEraseChk"));
  EXPECT_TRUE(IsTabShown(w.controls.TabChipSet));
  EXPECT_FALSE(IsTabShown(w.controls.TabSheetFlash));
  EXPECT_EQ(w.Find<QWidget>("GroupBoxCtrl")->pos(), QPoint(160, 80));
  EXPECT_EQ(w.js->ChipOpBytes[0], 0);
}

TEST(Panels, ResetTheProtectionListsWithoutRaisingTheirChange) {
  ChipTestWindow w;
  w.Choose("W25x40xx");
  auto* wp8 = w.Find<QComboBox>("ComBoxWP8");
  auto* wpf = w.Find<QComboBox>("ComBoxWPF");
  wp8->setCurrentIndex(3);
  wpf->setCurrentIndex(15);
  int changes = 0;
  QObject::connect(wp8, &QComboBox::currentIndexChanged, [&] { ++changes; });
  QObject::connect(wpf, &QComboBox::currentIndexChanged, [&] { ++changes; });
  w.Choose("W25x16xx");
  EXPECT_EQ(wp8->currentIndex(), 0);
  EXPECT_EQ(wpf->currentIndex(), 0);
  EXPECT_EQ(changes, 0);
}

TEST(Panels, EveryEntryRunsThePanelOfItsClass) {
  ChipTestWindow w;
  for (const ChipEntry& e : ChipEntries()) {
    SCOPED_TRACE(std::string(e.caption));
    w.Choose(e.caption);
    switch (ClassOfFamily(e.chipFamily)) {
      case ChipClass::SpiFlash: EXPECT_FALSE(w.Hidden("CheckBoxQE")); break;
      case ChipClass::I2cEeprom:
      case ChipClass::SpdEeprom:
        EXPECT_TRUE(w.Hidden("SpdBtnErase"));
        EXPECT_TRUE(IsTabShown(w.controls.TabChipSet));
        break;
      case ChipClass::MicrowireEeprom: EXPECT_TRUE(w.Hidden("ChkBoxNotBLK")); break;
      case ChipClass::SpiEeprom:
        EXPECT_FALSE(w.Hidden("ChkBoxNotBLK"));
        EXPECT_FALSE(IsTabShown(w.controls.TabChipSet));
        break;
    }
  }
}

}  // namespace
