// The settings file reader, as a table of files and what they yield.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "files/Settings.h"

namespace {

struct IniCase {
  const char* name;
  const char* text;
  std::vector<std::string> entries;
  // Slot names bound, nullptr for an unbound slot.
  std::array<const char*, kSlotCount> slots;
  int totalDevices;  // TotalDevices afterwards; it starts at 99
  size_t problems;
};

const IniCase kCases[] = {
    {"NoHeader", "TOTDEV=2\nDEV1=COM3\n", {}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"HeaderOtherCase", "[connection]\nDEV1=COM3\n", {}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"HeaderWithBlank", "[Connection] \nDEV1=COM3\n", {}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"LinesBeforeHeaderIgnored", "DEV1=COM9\nTOTDEV=5\n[Connection]\nDEV2=COM4\n", {"COM4"},
     {nullptr, "COM4", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"EightUnits",
     "[Connection]\nTOTDEV=8\nDEV1=COM3\nDEV2=COM4\nDEV3=COM5\nDEV4=COM6\nDEV5=COM7\nDEV6=COM8\n"
     "DEV7=COM9\nDEV8=COM10\n",
     {"COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10"},
     {"COM3", "COM4", "COM5", "COM6", "COM7", "COM8", "COM9", "COM10"}, 8, 0},
    {"LowerCaseLineUpperCased", "[Connection]\ndev3=com12\n", {"COM12"}, {nullptr, nullptr, "COM12", nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"TwoDigitSlot", "[Connection]\nDEV08=COM2\n", {"COM2"}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, "COM2"}, 99, 0},
    {"Dev0ListedNotBound", "[Connection]\nDEV0=COM1\n", {"COM1"}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"Dev9ListedNotBound", "[Connection]\nDEV9=COM1\n", {"COM1"}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"Dev10ListedNotBound", "[Connection]\nDEV10=COM1\n", {"COM1"}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"NonDigitSlot", "[Connection]\nDEVX=COM1\n", {"COM1"}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"BareDevLine", "[Connection]\nDEV\n", {""}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"FourCharLine", "[Connection]\nDEV2\n", {""}, {nullptr, "", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"NoLetterC", "[Connection]\nDEV1=1\n", {""}, {"", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"DevicePathKeepsCase", "[Connection]\nDEV1=/dev/pts/Ab3\n", {"/dev/pts/Ab3"},
     {"/dev/pts/Ab3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"CrLfLines", "[Connection]\r\nTOTDEV=2\r\nDEV1=COM3\r\nDEV2=/dev/ttyUSB1\r\n", {"COM3", "/dev/ttyUSB1"},
     {"COM3", "/dev/ttyUSB1", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 2, 0},
    {"NoFinalLineEnd", "[Connection]\nDEV1=COM3", {"COM3"}, {"COM3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"TotDevLow8Bits", "[Connection]\nTOTDEV=258\n", {}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 2, 0},
    {"TotDevHex", "[Connection]\nTOTDEV=0x3\n", {}, {nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 3, 0},
    {"TotDevNotIntegerReportedAndIgnored", "[Connection]\nTOTDEV=eight\nDEV1=COM3\n", {"COM3"},
     {"COM3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 1},
    {"TotDevWithoutValue", "[Connection]\nTOTDEV\nDEV1=COM3\n", {"COM3"}, {"COM3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 1},
    {"SameSlotTwiceLaterWins", "[Connection]\nDEV1=COM3\nDEV1=COM4\n", {"COM3", "COM4"},
     {"COM4", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"OutOfOrderFollowsFile", "[Connection]\nDEV2=COM4\nDEV1=COM3\n", {"COM4", "COM3"},
     {"COM3", "COM4", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"LaterHeaderStillExamined", "[Connection]\nDEV1=COM3\n[Other]\nDEV2=COM4\n", {"COM3", "COM4"},
     {"COM3", "COM4", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
    {"OtherLinesIgnored", "[Connection]\n; comment\nBAUD=9600\n\nDEV1=COM3\n", {"COM3"},
     {"COM3", nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr}, 99, 0},
};

void PrintTo(const IniCase& c, std::ostream* os) { *os << c.name; }

class IniTable : public ::testing::TestWithParam<IniCase> {};

TEST_P(IniTable, ReadsAsThePortList) {
  const IniCase& c = GetParam();
  auto js = std::make_unique<JobState>();
  js->TotalDevices = 99;
  PortList list = ReadConfigText(*js, c.text);
  EXPECT_EQ(list.Entries, c.entries);
  for (int i = 0; i < kSlotCount; ++i) {
    if (c.slots[i]) {
      EXPECT_EQ(list.SlotNames[i], std::optional<std::string>(c.slots[i])) << "slot " << i;
    } else {
      EXPECT_FALSE(list.SlotNames[i].has_value()) << "slot " << i;
    }
  }
  EXPECT_EQ(js->TotalDevices, c.totalDevices);
  EXPECT_EQ(list.Problems.size(), c.problems);
  EXPECT_FALSE(list.ShownText.has_value());
}

INSTANTIATE_TEST_SUITE_P(Lines, IniTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(IniTable, NotIntegerProblemNamesTheValue) {
  auto js = std::make_unique<JobState>();
  PortList list = ReadConfigText(*js, "[Connection]\nTOTDEV=4x\n");
  ASSERT_EQ(list.Problems.size(), 1u);
  EXPECT_EQ(list.Problems[0], "'4X' is not a valid integer value");
}

TEST(IniValue, TextAfterFirstEquals) {
  EXPECT_EQ(IniValue("A=B=C"), "B=C");
  EXPECT_EQ(IniValue("NOEQUALS"), "");
  EXPECT_EQ(IniValue("A="), "");
}

class SettingsFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = std::filesystem::temp_directory_path() /
          ("korvan_settings_" + std::to_string(::getpid()) + "_" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    js->AppDir = dir.string();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }
  std::filesystem::path dir;
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
};

TEST_F(SettingsFolder, SettingsFileWinsOverTheMachinePorts) {
  std::ofstream(dir / "ConfigKvn.ini") << "[Connection]\r\nTOTDEV=1\r\nDEV1=/dev/null\r\n";
  SerialPortSource source;
  bool asked = false;
  source.CanOpen = [&](const std::string&) { return asked = true; };
  PortList list = LoadPortList(*js, source);
  EXPECT_EQ(list.Entries, std::vector<std::string>{"/dev/null"});
  EXPECT_EQ(js->TotalDevices, 1);
  EXPECT_FALSE(asked);
}

TEST_F(SettingsFolder, AFolderNamedLikeTheSettingsFileIsNoSettingsFile) {
  std::filesystem::create_directory(dir / "ConfigKvn.ini");
  SerialPortSource source;
  source.SysRoot = (dir / "no-sys").string();
  js->TotalDevices = 5;
  PortList list = LoadPortList(*js, source);
  EXPECT_TRUE(list.Problems.empty());
  EXPECT_EQ(list.ShownText, std::optional<std::string>(kNoPortsText));
  EXPECT_EQ(js->TotalDevices, 0);
}

TEST_F(SettingsFolder, WithoutSettingsFileTheMachinePortsAreListed) {
  SerialPortSource source;
  source.SysRoot = (dir / "no-sys").string();
  js->TotalDevices = 5;
  PortList list = LoadPortList(*js, source);
  EXPECT_TRUE(list.Entries.empty());
  EXPECT_EQ(list.ShownText, std::optional<std::string>(kNoPortsText));
  EXPECT_EQ(js->TotalDevices, 0);
}

// The problem names the file and why it could not be opened.
TEST_F(SettingsFolder, UnopenableSettingsFileNamesTheReason) {
  const std::string path = (dir / "missing" / "ConfigKvn.ini").string();
  PortList list = ReadConfigIni(*js, path);
  EXPECT_EQ(list.Problems,
            std::vector<std::string>{"Cannot open file \"" + path + "\". No such file or directory"});
}

}  // namespace
