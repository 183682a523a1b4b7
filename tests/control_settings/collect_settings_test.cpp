// The copy of the operator's settings into the job state when a command
// starts: every field for each case, the two log lines, and the stop at a
// number field that holds no integer.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "catalogue/ChipCatalogue.h"
#include "support/FakeView.h"
#include "protocol/SettingsCollection.h"

namespace {

// Every field the collection writes.
struct Fields {
  uint8_t PageMode = 1, ChipOptions = 0, ProtectByte = 0, OpByte0 = 0, OpByte1 = 0;
  uint8_t ChipAddrMode = 0, I2CDevAddr = 0, EepromProtect = 0;
  int16_t ChipInTime = 15, ChipOffTime = 15;
  uint8_t AutoDetect = 0, PowerTime = 10, StepFlags = 0, CtrlFlags = 0;
  uint8_t SNLength = 4;
  int32_t SNGain = 1;
  uint8_t SNEnabled = 0;
  int32_t SNValue = 0;
  uint32_t SNAddress = 0xFFFFFFFF;
  uint8_t CountLimitOn = 0;
  int32_t CountLimit = 0;
  uint8_t ClockCode = 5;
  uint32_t ShownChecksum = 0x33;  // chip CRC-32
  uint8_t ChecksumKind = 1, UserChipSize = 0, OnlineSN = 0;
  bool operator==(const Fields&) const = default;
};

Fields FieldsOf(const JobState& js) {
  Fields f;
  f.PageMode = js.PageMode;
  f.ChipOptions = js.ChipOptions;
  f.ProtectByte = js.ProtectByte;
  f.OpByte0 = js.ChipOpBytes[0];
  f.OpByte1 = js.ChipOpBytes[1];
  f.ChipAddrMode = js.ChipAddrMode;
  f.I2CDevAddr = js.I2CDevAddr;
  f.EepromProtect = js.EepromProtect;
  f.ChipInTime = js.ChipInTime;
  f.ChipOffTime = js.ChipOffTime;
  f.AutoDetect = js.AutoDetect;
  f.PowerTime = js.PowerTime;
  f.StepFlags = js.StepFlags;
  f.CtrlFlags = js.CtrlFlags;
  f.SNLength = js.SNLength;
  f.SNGain = js.SNGain;
  f.SNEnabled = js.SNEnabled;
  f.SNValue = js.SNValue;
  f.SNAddress = static_cast<uint32_t>(js.SNAddress);
  f.CountLimitOn = js.CountLimitOn;
  f.CountLimit = js.CountLimit;
  f.ClockCode = js.ClockCode;
  f.ShownChecksum = js.ShownChecksum;
  f.ChecksumKind = js.ChecksumKind;
  f.UserChipSize = js.UserChipSize;
  f.OnlineSN = js.OnlineSN;
  return f;
}

std::ostream& operator<<(std::ostream& os, const Fields& f) {
  return os << std::hex << "PageMode " << +f.PageMode << " ChipOptions " << +f.ChipOptions << " ProtectByte "
            << +f.ProtectByte << " OpBytes " << +f.OpByte0 << "," << +f.OpByte1 << " AddrMode "
            << +f.ChipAddrMode << " DevAddr " << +f.I2CDevAddr << " EepromProtect " << +f.EepromProtect
            << std::dec << " In " << f.ChipInTime << " Off " << f.ChipOffTime << " Auto " << +f.AutoDetect
            << " Power " << +f.PowerTime << std::hex << " Steps " << +f.StepFlags << " Ctrl " << +f.CtrlFlags
            << " SN " << +f.SNLength << "/" << f.SNGain << "/" << +f.SNEnabled << "/" << f.SNValue << "/"
            << f.SNAddress << std::dec << " Limit " << +f.CountLimitOn << "/" << f.CountLimit << " Clock "
            << +f.ClockCode << std::hex << " Shown " << f.ShownChecksum << " Kind " << +f.ChecksumKind
            << " User Chip Size " << +f.UserChipSize << " Online SN " << +f.OnlineSN;
}

// The log's lines without time stamps; the raw lines as they are.
std::vector<std::string> LogTexts(const FakeView& view) {
  static const std::regex kStamp("^> [0-9]{2}:[0-9]{2}:[0-9]{2} ");
  std::vector<std::string> out;
  for (const std::string& line : view.log)
    out.push_back(std::regex_replace(line, kStamp, "", std::regex_constants::format_first_only));
  return out;
}

struct CollectFixture {
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  FakeView view;
  ControlStates controls;

  // A 64 Mbit SPI flash of family 3 with 256-byte pages.
  CollectFixture() {
    js->LogMemo = &view;
    js->ChipFamily = 0x03;
    js->ChipSubType = 0x07;
    js->PageSize = 256;
    js->ChipSize = 8 * 1024 * 1024;
    controls.QuadEnableInStatus = TakesQuadEnableInStatus("GD25xQ64x");
    js->ChipSum32 = 0x11;
    js->LoadSum = 0x22;
    js->ChipCRC32 = 0x33;
    js->FileCRC32 = 0x44;
  }
  void Chip(uint8_t family, const char* name, uint32_t pageSize) {
    js->ChipFamily = family;
    controls.QuadEnableInStatus = TakesQuadEnableInStatus(name);
    js->PageSize = pageSize;
  }
};

struct Case {
  const char* what;
  std::function<void(CollectFixture&)> given;
  std::function<void(Fields&)> expect;
  std::vector<std::string> log = {};  // empty: not checked
};

TEST(CollectControlSettings, EverySettingReachesTheJobState) {
  const Case cases[] = {
      {"form defaults", [](CollectFixture&) {}, [](Fields&) {},
       {"Protected Setting:  0x00.", "", "> Control Setting(Hex): 03,07,00,00, 01,00,00,00, 05,00,00,100."}},
      {"Prog unchecked", [](CollectFixture& f) { f.controls.EnProgChk = false; },
       [](Fields& e) { e.StepFlags = 0x84; }},
      {"Blank, Erase, QE checked, Verify unchecked",
       [](CollectFixture& f) {
         f.controls.EnBlankChk = f.controls.EnEraseChk = f.controls.CheckBoxQE = true;
         f.controls.EnVerifyChk = false;
       },
       [](Fields& e) {
         e.StepFlags = 0x1B;
         e.OpByte1 = 0x02;
       }},
      {"MX25L3233 with QE: the status byte takes it",
       [](CollectFixture& f) {
         f.Chip(0x05, "MX25L3233", 256);
         f.js->ProtectByte = 0x0C;
         f.js->ChipOpBytes[1] = 0x01;
         f.controls.CheckBoxQE = true;
       },
       [](Fields& e) {
         e.ProtectByte = 0x0C;
         e.OpByte0 = 0x4C;
         e.OpByte1 = 0x01;
         e.StepFlags = 0x10;
       },
       {"Protected Setting:  0x4C.", "", "> Control Setting(Hex): 05,07,00,00, 01,00,10,00, 05,00,00,100."}},
      {"another family-5 chip with QE: the second byte takes it",
       [](CollectFixture& f) {
         f.Chip(0x05, "MX25L64xxx", 256);
         f.js->ProtectByte = 0x0C;
         f.js->ChipOpBytes[1] = 0x01;
         f.controls.CheckBoxQE = true;
       },
       [](Fields& e) {
         e.ProtectByte = 0x0C;
         e.OpByte0 = 0x0C;
         e.OpByte1 = 0x03;
         e.StepFlags = 0x10;
       }},
      {"family 5 without QE leaves the second byte",
       [](CollectFixture& f) {
         f.Chip(0x05, "MX25L64xxx", 256);
         f.js->ChipOpBytes[1] = 0x02;
       },
       [](Fields& e) { e.OpByte1 = 0x02; }},
      {"other flash without QE clears the second byte",
       [](CollectFixture& f) { f.js->ChipOpBytes[1] = 0x02; }, [](Fields&) {}},
      {"WPF item 15 with SRWD",
       [](CollectFixture& f) {
         f.js->ProtectByte = 15 * 4;
         f.controls.ChkBoxSRWD = true;
       },
       [](Fields& e) { e.ProtectByte = e.OpByte0 = 0xBC; },
       {"Protected Setting:  0xBC.", "", "> Control Setting(Hex): 03,07,00,00, 01,00,00,00, 05,00,00,100."}},
      {"SRWD unchecked clears bit 7", [](CollectFixture& f) { f.js->ProtectByte = 0x84; },
       [](Fields& e) { e.ProtectByte = e.OpByte0 = 0x04; }},
      {"low-speed programming and a large image",
       [](CollectFixture& f) {
         f.controls.ChkBoxLSP = true;
         f.js->LargeImage = 1;
       },
       [](Fields& e) { e.ChipOptions = 0xC0; }},
      {"low-speed programming off clears bit 7 only", [](CollectFixture& f) { f.js->ChipOptions = 0x81; },
       [](Fields& e) { e.ChipOptions = 0x01; }},
      {"small pages", [](CollectFixture& f) { f.js->PageSize = 64; }, [](Fields& e) { e.PageMode = 3; }},
      {"I2C part with A16 at bit 1, device address cut to 8 bits, 400 kHz",
       [](CollectFixture& f) {
         f.Chip(0xA0, "24xx1025", 128);
         f.js->ChipAddrMode = 0x02;
         f.controls.RadioGroupA61 = 0;
         f.controls.EditDevAdrX = "0x1A2";
         f.controls.RadioGroupSpd = 2;
         f.controls.CheckBoxQE = true;  // hidden for I2C parts, still counted
       },
       [](Fields& e) {
         e.PageMode = 0;
         e.ChipAddrMode = 0x12;
         e.I2CDevAddr = 0xA2;
         e.ClockCode = 15;
         e.StepFlags = 0x10;
       },
       {"", "> Control Setting(Hex): A0,07,00,12, 00,00,10,00, 0F,00,00,80."}},
      {"I2C part with A16 at bit 2",
       [](CollectFixture& f) {
         f.Chip(0xA0, "24xx1025", 128);
         f.js->ChipAddrMode = 0x12;
         f.controls.RadioGroupA61 = 1;
         f.controls.EditDevAdrX = "$A4";
       },
       [](Fields& e) {
         e.PageMode = 0;
         e.ChipAddrMode = 0x02;
         e.I2CDevAddr = 0xA4;
       }},
      {"SPI EEPROM takes the protection byte, 100 kHz",
       [](CollectFixture& f) {
         f.Chip(0xB0, "25xx640", 32);
         f.js->ProtectByte = 0x8C;
         f.controls.RadioGroupSpd = 0;
       },
       [](Fields& e) {
         e.PageMode = 0;
         e.ProtectByte = 0x8C;
         e.EepromProtect = 0x8C;
         e.ClockCode = 250;
       }},
      {"Microwire part at 200 kHz",
       [](CollectFixture& f) {
         f.Chip(0xC0, "93xx66", 0);
         f.controls.RadioGroupSpd = 1;
       },
       [](Fields& e) {
         e.PageMode = 0;
         e.ClockCode = 50;
       }},
      {"SPD part: 200 whatever the clock, write protection alone in the steps",
       [](CollectFixture& f) {
         f.Chip(0xD0, "GT34C04-xxx", 8);
         f.controls.RadioGroupSpd = 2;
         f.controls.CheckBoxWRP = true;
         f.controls.EnProgChk = false;
       },
       [](Fields& e) {
         e.PageMode = 0;
         e.ClockCode = 200;
         e.StepFlags = 0x80;
       },
       {"", "> Control Setting(Hex): D0,07,00,00, 00,00,80,00, C8,00,00,08."}},
      {"SPD part without write protection",
       [](CollectFixture& f) {
         f.Chip(0xD0, "GT34C04-xxx", 8);
         f.controls.EnProgChk = false;
       },
       [](Fields& e) {
         e.PageMode = 0;
         e.ClockCode = 200;
       }},
      {"5.0 V", [](CollectFixture& f) { f.controls.RadioGpVolt = 1; }, [](Fields& e) { e.CtrlFlags = 0x01; }},
      {"1.8 V after 5.0 V", [](CollectFixture& f) {
         f.js->CtrlFlags = 0x01;
         f.controls.RadioGpVolt = 2;
       },
       [](Fields& e) { e.CtrlFlags = 0x04; }},
      {"3.3 V keeps the catalogue's bit 0x20 only",
       [](CollectFixture& f) { f.js->CtrlFlags = 0xFF; }, [](Fields& e) { e.CtrlFlags = 0x20; }},
      {"big endian, not-blank error, page erase",
       [](CollectFixture& f) {
         f.controls.SNOrderChk = f.controls.ChkBoxNotBLK = true;
         f.js->PageEraseChip = 1;
       },
       [](Fields& e) { e.CtrlFlags = 0xD0; }},
      {"timings and chip detection",
       [](CollectFixture& f) {
         f.controls.SpinEditIn = 500;
         f.controls.SpinEditOut = 1500;
         f.controls.SpinEditPTM = 2000;
         f.controls.CheckBoxAut = true;
       },
       [](Fields& e) {
         e.ChipInTime = 15;
         e.ChipOffTime = 46;
         e.PowerTime = 200;
         e.AutoDetect = 15;
       }},
      {"serial number on, gain cut to 16 bits",
       [](CollectFixture& f) {
         f.controls.CheckBoxSN = true;
         f.controls.SNEdit = "0x12345678";
         f.controls.GainEdit = "0x12345";
         f.controls.AddrEdit = " $10";
       },
       [](Fields& e) {
         e.SNEnabled = 15;
         e.SNGain = 0x2345;
         e.SNValue = 0x12345678;
         e.SNAddress = 0x10;
       }},
      {"online serial number", [](CollectFixture& f) {
         f.controls.CheckBoxSN = true;
         f.controls.ChkBoxPCSN = true;
       },
       [](Fields& e) {
         e.SNEnabled = 15;
         e.SNAddress = 0xFFF0;
         e.OnlineSN = 1;
       }},
      {"serial number off: value 0, no address",
       [](CollectFixture& f) {
         f.controls.ChkBoxPCSN = true;  // online numbers need serial numbers on
         f.controls.SNEdit = "0x12345678";
         f.controls.GainEdit = "-1";
       },
       [](Fields& e) { e.SNGain = 0xFFFF; }},
      {"count limit", [](CollectFixture& f) {
         f.controls.ChkBoxNumb = true;
         f.controls.SpinEditNumb = 1000000;
       },
       [](Fields& e) {
         e.CountLimitOn = 15;
         e.CountLimit = 1000000;
       }},
      {"ACC32 of the chip", [](CollectFixture& f) { f.controls.RadioGroupX = 0; },
       [](Fields& e) {
         e.ShownChecksum = 0x11;
         e.ChecksumKind = 0;
       }},
      {"ACC32 of the file", [](CollectFixture& f) {
         f.controls.RadioGroupX = 0;
         f.controls.RadioGrpSumDP = 1;
       },
       [](Fields& e) {
         e.ShownChecksum = 0x22;
         e.ChecksumKind = 0;
       }},
      {"User Chip Size", [](CollectFixture& f) { f.controls.ChkBoxCPES = true; },
       [](Fields& e) { e.UserChipSize = 1; }},
      {"CRC32 of the file", [](CollectFixture& f) { f.controls.RadioGrpSumDP = 1; },
       [](Fields& e) { e.ShownChecksum = 0x44; }},
  };
  for (const Case& c : cases) {
    CollectFixture f;
    c.given(f);
    Fields expected;
    c.expect(expected);
    EXPECT_TRUE(CollectControlSettings(*f.js, f.controls)) << c.what;
    EXPECT_EQ(FieldsOf(*f.js), expected) << c.what;
    if (!c.log.empty()) {
      EXPECT_EQ(LogTexts(f.view), c.log) << c.what;
    }
    EXPECT_TRUE(f.view.errorBoxes.empty()) << c.what;
  }
}

TEST(CollectControlSettings, LeavesTheSlotsAlone) {
  // A slot still sending an earlier command keeps its place in the image.
  CollectFixture f;
  f.js->SlotKbIndex = {0, 96, 0, 12, 0, 0, 0, 4};
  f.js->SlotBlockTotal.fill(8192);
  auto before = f.js->SlotKbIndex;
  ASSERT_TRUE(CollectControlSettings(*f.js, f.controls));
  EXPECT_EQ(f.js->SlotKbIndex, before);
  EXPECT_EQ(f.js->SlotBlockTotal[1], 8192u);
}

TEST(CollectControlSettings, StopsAtANumberFieldThatHoldsNoInteger) {
  struct Bad {
    const char* what;
    std::function<void(CollectFixture&)> given;
    const char* box;
    bool snEnabledWritten;  // the fields before the bad one keep their new values
  } cases[] = {
      {"gain", [](CollectFixture& f) { f.controls.GainEdit = "0x1G"; }, "'0x1G' is not a valid integer value",
       false},
      {"serial number",
       [](CollectFixture& f) {
         f.controls.CheckBoxSN = true;
         f.controls.SNEdit = "12 34";
       },
       "'12 34' is not a valid integer value", true},
      {"address",
       [](CollectFixture& f) {
         f.controls.CheckBoxSN = true;
         f.controls.AddrEdit = "";
       },
       "'' is not a valid integer value", true},
      {"device address of an I2C part",
       [](CollectFixture& f) {
         f.Chip(0xA0, "24xx02", 8);
         f.controls.EditDevAdrX = "A0";
       },
       "'A0' is not a valid integer value", false},
  };
  for (const Bad& c : cases) {
    CollectFixture f;
    f.js->SNEnabled = 7;
    f.js->CountLimit = -5;
    f.controls.EnProgChk = false;
    f.controls.SpinEditNumb = 10;
    c.given(f);
    EXPECT_FALSE(CollectControlSettings(*f.js, f.controls)) << c.what;
    EXPECT_EQ(f.view.errorBoxes, std::vector<std::string>{c.box}) << c.what;
    EXPECT_EQ(f.js->StepFlags, 0x84) << c.what;  // collected before the number fields
    EXPECT_EQ(f.js->SNEnabled, c.snEnabledWritten ? 15 : 7) << c.what;
    EXPECT_EQ(f.js->CountLimit, -5) << c.what;   // after them: untouched
    for (const std::string& line : f.view.log)
      EXPECT_EQ(line.find("Control Setting"), std::string::npos) << c.what;
  }

  // A serial number that is not used is not read.
  CollectFixture f;
  f.controls.SNEdit = "none";
  f.controls.AddrEdit = "none";
  EXPECT_TRUE(CollectControlSettings(*f.js, f.controls));
  EXPECT_TRUE(f.view.errorBoxes.empty());
}

}  // namespace
