// The job-state side of the option panels and the start values.
#include <gtest/gtest.h>

#include <memory>

#include "choose.h"

namespace {

TEST(OptionPanelState, OnlyTheTwoSmallMacronixPartsGet32BytePages) {
  auto js = std::make_unique<JobState>();
  for (const ChipEntry& e : ChipEntries()) {
    if (ClassOfFamily(e.chipFamily) != ChipClass::SpiFlash) continue;
    Choose(*js, e.caption);
    const bool small = e.caption == "MX25U5121E" || e.caption == "MX25U1001Exx";
    EXPECT_EQ(js->PageSize, small ? 32u : 256u) << e.caption;
  }
}

TEST(OptionPanelState, PageSizeComparesTheFirstTenCharactersOfTheName) {
  struct { const char* name; uint32_t page; } cases[] = {
      {"MX25U1001E", 32}, {"MX25U1001Exx", 32}, {"MX25U5121E", 32},
      {"MX25U1001", 256}, {"", 256}, {"MX25U121Exx", 256}};
  auto js = std::make_unique<JobState>();
  for (const auto& c : cases) {
    js->SelChipName = c.name;
    SpiFlashPanelJobState(*js);
    EXPECT_EQ(js->PageSize, c.page) << c.name;
  }
}

TEST(OptionPanelState, LargeImageFromOneMegabyteUp) {
  struct { const char* chip; uint8_t large; } cases[] = {
      {"W25x40xx", 0}, {"W25x80xx", 1}, {"GD55B01GE", 1}, {"GD25Q512x", 0}};
  auto js = std::make_unique<JobState>();
  for (const auto& c : cases) {
    js->LargeImage = 7;
    Choose(*js, c.chip);
    EXPECT_EQ(js->LargeImage, c.large) << c.chip;
  }
}

TEST(OptionPanelState, FlashPanelClearsOnlyTheFirstOperationByte) {
  auto js = std::make_unique<JobState>();
  js->ChipOpBytes = {0x9C, 0x02, 3, 4, 5, 6, 7, 8};
  js->I2CDevAddr = 0x50;
  js->EraseTime = 7;
  Choose(*js, "AT45DB16E");
  EXPECT_EQ(js->ChipOpBytes, (std::array<uint8_t, 8>{0, 0x02, 3, 4, 5, 6, 7, 8}));
  EXPECT_EQ(js->I2CDevAddr, 0x50);
  EXPECT_EQ(js->EraseTime, 500);  // the entry's own
}

TEST(OptionPanelState, SpiEepromPanelLoadsTheInstructionCodesAndDeviceAddress) {
  auto js = std::make_unique<JobState>();
  js->I2CDevAddr = 0x50;
  js->EraseTime = 1234;
  Choose(*js, "25xx1024");
  EXPECT_EQ(js->ChipOpBytes,
            (std::array<uint8_t, 8>{0x01, 0x05, 0x04, 0x06, 0xC7, 0x83, 0x02, 0x03}));
  EXPECT_EQ(js->I2CDevAddr, 0xA0);
  EXPECT_EQ(js->EraseTime, 1234);
}

TEST(OptionPanelState, EepromPanelsSetTheirClassWideFields) {
  struct { const char* chip; uint8_t devAddr; uint16_t erase; } cases[] = {
      {"24xx02", 0xA0, 100}, {"GT34C04-xxx", 0xA0, 100}, {"ATA30TSE004A", 0xA0, 100},
      {"FM24C32D", 0xA0, 100}, {"93xx66", 0x50, 100}};
  auto js = std::make_unique<JobState>();
  for (const auto& c : cases) {
    js->I2CDevAddr = 0x50;
    js->EraseTime = 9;
    js->ChipOpBytes.fill(0x11);
    Choose(*js, c.chip);
    EXPECT_EQ(js->I2CDevAddr, c.devAddr) << c.chip;
    EXPECT_EQ(js->EraseTime, c.erase) << c.chip;
    EXPECT_EQ(js->ChipOpBytes[0], 0x11) << c.chip;
  }
}

TEST(OptionPanelState, ProtectionControlsBySizeNameAndEspMode) {
  struct {
    uint32_t kb; uint8_t esp; const char* name;
    FlashProtectionControls expected;
  } cases[] = {
      {512, 0, "W25x40xx", {true, true, false, true}},
      {1024, 0, "W25x80xx", {true, false, true, true}},
      {4096, 0, "MX25L3233", {true, false, true, false}},
      {4096, 0, "MX25L3233 ", {true, false, true, true}},
      {1024, 1, "ESP8285", {false, false, false, false}},
  };
  auto js = std::make_unique<JobState>();
  for (const auto& c : cases) {
    js->DataSizeKB = c.kb;
    js->Esp8285Mode = c.esp;
    const auto got = FlashProtectionFor(*js, c.name);
    EXPECT_EQ(got.labelWP, c.expected.labelWP) << c.name;
    EXPECT_EQ(got.comBoxWP8, c.expected.comBoxWP8) << c.name;
    EXPECT_EQ(got.comBoxWPF, c.expected.comBoxWPF) << c.name;
    EXPECT_EQ(got.chkBoxSRWD, c.expected.chkBoxSRWD) << c.name;
  }
}

TEST(ChipDefaults, StartValuesOfEveryChipAndJobField) {
  auto js = std::make_unique<JobState>();
  js->LargeDownload = js->LargeImage = js->ReadStreaming = 1;
  js->SlotDownloading.fill(1);
  js->PageEraseChip = js->DataLoaded = js->ChipSelected = 1;
  js->ChipSize = js->ChipAuxWord = 5;
  js->ChipFamily = js->ChipSubType = js->ChipSpare = 5;
  js->DataStart = js->DataEnd = js->ReadCount = 5;
  js->ProtectByte = 5;
  js->PageSize = 5;
  js->ChipAddrMode = js->I2CDevAddr = 5;
  js->OkCount = js->NgCount = 5;
  js->CtrlFlags = js->ChipAuxByte = js->AutoDetect = 5;
  js->EraseTime = 77;  // not a start-value field
  InitChipParams(*js);
  EXPECT_EQ(js->LargeDownload, 0);
  EXPECT_EQ(js->LargeImage, 0);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->SlotDownloading[0], 0);
  EXPECT_EQ(js->SlotDownloading[1], 0);
  EXPECT_EQ(js->SlotDownloading[2], 1);  // only slots 0 and 1 are cleared here
  EXPECT_EQ(js->PageEraseChip, 0);
  EXPECT_EQ(js->DataLoaded, 0);
  EXPECT_EQ(js->ChipSelected, 0);
  EXPECT_EQ(js->ChipSize, 2048u);
  EXPECT_EQ(js->ChipAuxWord, 8192u);
  EXPECT_EQ(js->ChipFamily, 0);
  EXPECT_EQ(js->ChipSubType, 0);
  EXPECT_EQ(js->ChipSpare, 32);
  EXPECT_EQ(js->DataStart, 0u);
  EXPECT_EQ(js->DataEnd, 0u);
  EXPECT_EQ(js->ReadCount, 0u);
  EXPECT_EQ(js->ProtectByte, 0);
  EXPECT_EQ(js->PageSize, 8u);
  EXPECT_EQ(js->ChipAddrMode, 0);
  EXPECT_EQ(js->I2CDevAddr, 0xA0);
  EXPECT_EQ(js->OkCount, 0);
  EXPECT_EQ(js->NgCount, 0);
  EXPECT_EQ(js->CtrlFlags, 0);
  EXPECT_EQ(js->ChipAuxByte, 0);
  EXPECT_EQ(js->AutoDetect, 0);
  EXPECT_EQ(js->EraseTime, 77);
  EXPECT_EQ(js->DataBuffer[0], 0xFF);
  EXPECT_EQ(js->DataBuffer[kDataBufferSize - 1], 0xFF);
}

}  // namespace
