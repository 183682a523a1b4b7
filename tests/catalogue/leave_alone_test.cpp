// A choice writes only the fields its entry gives; the rest keep what the
// previous choice (or its option panel) left there.
#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "choose.h"

namespace {

struct Case {
  const char* first;
  const char* second;
  const char* what;
  std::function<unsigned(const JobState&)> field;
  unsigned expected;
};

unsigned SubType(const JobState& js) { return js.ChipSubType; }
unsigned Id1(const JobState& js) { return js.ChipId1; }
unsigned Id2(const JobState& js) { return js.ChipId2; }
unsigned Erase(const JobState& js) { return js.EraseTime; }
unsigned AddrMode(const JobState& js) { return js.ChipAddrMode; }
unsigned Page(const JobState& js) { return js.PageSize; }
unsigned CtrlBit20(const JobState& js) { return js.CtrlFlags & 0x20; }
unsigned Options(const JobState& js) { return js.ChipOptions; }
unsigned Vcc18(const JobState& js) { return js.Vcc18V; }
unsigned PageErase(const JobState& js) { return js.PageEraseChip; }
unsigned Esp(const JobState& js) { return js.Esp8285Mode; }

const Case kCases[] = {
    {"93xx86", "MX25L80xxx", "sub-type kept from the 93xx entry", SubType, 4},
    {"GD25Q256D", "W25x80xx", "first ID kept", Id1, 0x10},
    {"GD25Q256D", "W25x80xx", "second ID kept", Id2, 0x10},
    {"GD25xQ32x", "24xx64", "flash IDs kept by an I2C part", Id1, 0xC8},
    {"GD25xQ32x", "24xx64", "flash IDs kept by an I2C part", Id2, 0x40},
    {"GD25xQ32x", "24xx64", "erase time from the I2C panel", Erase, 100},
    {"MX25L80xxx", "25xx640", "SPI EEPROM keeps the erase time", Erase, 2200},
    {"24xx64", "25xx640", "SPI EEPROM keeps the addressing mode", AddrMode, 4},
    {"MX25L80xxx", "25xx640", "SPI EEPROM keeps the IDs", Id1, 0xC2},
    {"M24M01x", "MX25L80xxx", "flash keeps the addressing mode", AddrMode, 24},
    {"24xx512", "93xx46", "Microwire keeps the page size", Page, 128},
    {"24xx512", "93xx46", "erase time from the Microwire panel", Erase, 100},
    {"24xx512", "MX25L80xxx", "flash page size from its panel", Page, 256},
    {"W25x80xx", "FM24C32D", "FM24C32D has its own sub-type", SubType, 128},
    {"SST25VF064x", "SST26VF020x", "SST26 keeps the SST25 sub-type", SubType, 5},
    {"AT45DB16E", "W25x80xx", "the DataFlash bit stays in CtrlFlags", CtrlBit20, 0x20},
    {"AT45DB16E", "93xx46", "the DataFlash bit stays in CtrlFlags", CtrlBit20, 0x20},
    {"SST26VF020x", "KH25U0439F", "options start from 0", Options, 0},
    {"GD25LD10C", "W25x10xx", "1.8 V flag starts from 0", Vcc18, 0},
    {"M45EP20xx", "93xx46", "page-erase flag starts from 0", PageErase, 0},
    {"ESP8285", "W25x80xx", "ESP8285 mode starts from 0", Esp, 0},
    {"W25x80xx", "ESP8285", "ESP8285 sets its mode", Esp, 1},
    {"W25x80xx", "93xx56B", "93xx56B sets its option", Options, 0x08},
};

TEST(LeaveAlone, ChoosingAThenBKeepsWhatBLeavesAlone) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.first) + " then " + c.second + ": " + c.what);
    auto js = std::make_unique<JobState>();
    Choose(*js, c.first);
    Choose(*js, c.second);
    EXPECT_EQ(c.field(*js), c.expected);
  }
}

TEST(LeaveAlone, OpeningThePopupClearsOnlyTheFourChipFlags) {
  auto js = std::make_unique<JobState>();
  Choose(*js, "GD25LD10C");
  js->ChipOptions = 0x13;
  js->PageEraseChip = 1;
  js->Esp8285Mode = 1;
  js->CtrlFlags = 0x25;
  ClearChipFlagsOnOpen(*js);
  EXPECT_EQ(js->ChipOptions, 0);
  EXPECT_EQ(js->Vcc18V, 0);
  EXPECT_EQ(js->PageEraseChip, 0);
  EXPECT_EQ(js->Esp8285Mode, 0);
  // The previous choice stands.
  EXPECT_EQ(js->ChipSize, 128u * 1024);
  EXPECT_EQ(js->ChipFamily, 0x03);
  EXPECT_EQ(js->ChipId1, 0xC8);
  EXPECT_EQ(js->EraseTime, 40);
  EXPECT_EQ(js->CtrlFlags, 0x25);
}

TEST(LeaveAlone, TheDataFlashBitIsOredIntoCtrlFlags) {
  auto js = std::make_unique<JobState>();
  js->CtrlFlags = 0x45;
  Choose(*js, "AT45DB16E");
  EXPECT_EQ(js->CtrlFlags, 0x65);
  EXPECT_EQ(js->PageEraseChip, 1);
  EXPECT_EQ(js->ChipSize, 2162688u);
}

TEST(LeaveAlone, ChoosingTheSameEntryAgainAssignsItsFieldsAgain) {
  auto js = std::make_unique<JobState>();
  Choose(*js, "W25x80xx");
  js->ChipSubType = 9;
  js->EraseTime = 1;
  Choose(*js, "W25x80xx");
  EXPECT_EQ(js->ChipSubType, 4);
  EXPECT_EQ(js->EraseTime, 400);
}

}  // namespace
