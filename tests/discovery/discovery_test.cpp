// Discovery against simulated units: what the probe's answer makes of a slot.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "FirmwareImageWriter.h"
#include "UnitBench.h"
#include "protocol/AnswerHandling.h"
#include "protocol/Discovery.h"
#include "protocol/Firmware.h"
#include "protocol/Frames.h"
#include "protocol/Senders.h"

namespace {

using unitsim::Config;
using unitsim::UnitConfig;


struct DiscoveryTest : ::testing::Test, UnitBench {
  DiscoveryTest() { handleAnswers = false; }
  void SetImageVersion(const char* version, bool loaded) {
    js->Firmware.FirmwareVersion.fill(0);
    std::memcpy(js->Firmware.FirmwareVersion.data(), version, std::strlen(version));
    js->FirmwareLoaded = loaded ? 1 : 0;
  }
  void Search(int slot) {
    js->SlotConnected[slot] = 0;
    js->SlotRxCount[slot] = 0;
    SendProbe(*js, slot);
    Pump();
  }
  std::vector<std::string> Texts() const { return view.LogTexts(); }
  bool Logged(const std::string& text) const {
    auto t = Texts();
    return std::find(t.begin(), t.end(), text) != t.end();
  }
};

TEST_F(DiscoveryTest, CurrentUnitIsConnectedAndNamed) {
  SetImageVersion("V2.10 2026", true);
  Attach(0, Config([](UnitConfig& c) { c.Version = "V2.10 2026"; }));
  Search(0);
  EXPECT_EQ(js->SlotConnected[0], 1);
  EXPECT_EQ(js->DeviceCount, 1);
  EXPECT_EQ(js->SlotOp[0], kOpIdle);
  EXPECT_EQ(js->SlotTimeout[0], 500);
  EXPECT_TRUE(view.gauges[0].enabled);
  EXPECT_EQ(view.infoPanel, "KorvanQZ-Plus V2.10 2026");
  EXPECT_EQ(Texts(), std::vector<std::string>{"C1: Find Device: KorvanQZ-Plus V2.10 2026!"});
}

TEST_F(DiscoveryTest, NewerUnitAndNoImageBothConnect) {
  SetImageVersion("V2.10", true);
  Attach(0, Config([](UnitConfig& c) { c.Version = "V3.00"; }));
  Attach(1, Config([](UnitConfig& c) { c.Version = "V0.01"; }));
  Search(0);
  js->Firmware.FirmwareVersion.fill(0);  // no image: nothing to compare with
  js->FirmwareLoaded = 0;
  Search(1);
  EXPECT_EQ(js->SlotConnected[0], 1);
  EXPECT_EQ(js->SlotConnected[1], 1);
  EXPECT_EQ(js->DeviceCount, 2);
}

TEST_F(DiscoveryTest, OlderUnitIsUpgradedNotCounted) {
  SetImageVersion("V2.10", true);
  Attach(0, Config([](UnitConfig& c) { c.Version = "V2.09"; }));
  Search(0);
  EXPECT_EQ(js->DeviceCount, 0);
  EXPECT_EQ(js->SlotOp[0], kOpFirmwareUpgrade);
  EXPECT_EQ(js->SlotConnected[0], 0);  // not a found unit while it is upgraded
  EXPECT_TRUE(SlotTakesAnswers(*js, 0));  // the upgrade's answers go to the answer handler
  EXPECT_TRUE(Logged("C1: Start firmware upgrade......"));
  for (const auto& t : Texts()) EXPECT_EQ(t.find("Find Device"), std::string::npos) << t;
}

TEST_F(DiscoveryTest, BasicUnitIsUpgradedWhenThereIsAnImage) {
  SetImageVersion("V2.10", true);
  Attach(3, Config([](UnitConfig& c) { c.Name = "KorvanQZ"; }));
  Search(3);
  EXPECT_EQ(js->SlotOp[3], kOpFirmwareUpgrade);
  EXPECT_EQ(js->DeviceCount, 0);
}

TEST_F(DiscoveryTest, BasicUnitWithoutImageStaysUnconnectedSilently) {
  SetImageVersion("", false);
  Attach(3, Config([](UnitConfig& c) { c.Name = "KorvanQZ"; }));
  Search(3);
  EXPECT_EQ(js->SlotConnected[3], 0);
  EXPECT_EQ(js->SlotOp[3], kOpIdle);
  EXPECT_TRUE(view.log.empty());
}

TEST_F(DiscoveryTest, WrongHeaderOrCountZeroIsNoDevice) {
  Attach(0, Config([](UnitConfig& c) { c.ProbeHeader = {0xA3, 0xA5, 0x36}; }));
  Attach(1, Config([](UnitConfig& c) { c.CountByteZero = true; }));
  Attach(2, Config([](UnitConfig& c) { c.Name = "OtherBox"; }));
  for (int s = 0; s < 3; ++s) Search(s);
  EXPECT_EQ(Texts(), (std::vector<std::string>{"C1: No Device Found!", "C2: No Device Found!",
                                               "C3: No Device Found!"}));
  for (int s = 0; s < 3; ++s) EXPECT_EQ(js->SlotConnected[s], 0);
  EXPECT_EQ(js->DeviceCount, 0);
}

TEST_F(DiscoveryTest, TwoUnitsShowTheFirstNameOnly) {
  Attach(0, Config([](UnitConfig& c) { c.Version = "V5.00 first"; }));
  Attach(1, Config([](UnitConfig& c) { c.Version = "V5.00 second"; }));
  SendProbe(*js, 0);
  SendProbe(*js, 1);
  Pump();
  EXPECT_EQ(js->DeviceCount, 2);
  EXPECT_EQ(view.infoPanel, "KorvanQZ-Plus V5.00 first");
}

TEST_F(DiscoveryTest, NameEndsAtItsFirstControlCharacter) {
  Attach(0, Config([](UnitConfig& c) { c.ProbeText = std::string("KorvanQZ-Plus V7.1\x01junk", 23); }));
  Search(0);
  EXPECT_EQ(view.infoPanel, "KorvanQZ-Plus V7.1");
  EXPECT_TRUE(Logged("C1: Find Device: KorvanQZ-Plus V7.1!"));
}

TEST_F(DiscoveryTest, GarbageAroundTheAnswerDoesNotMatter) {
  Attach(0, Config([](UnitConfig& c) { c.GarbageBetweenFrames = true; }));
  Search(0);
  EXPECT_EQ(js->SlotConnected[0], 1);
}

TEST_F(DiscoveryTest, SilentUnitIsNotReported) {
  Attach(0, Config([](UnitConfig& c) { c.Silent = true; }));
  Search(0);
  EXPECT_EQ(js->SlotConnected[0], 0);
  EXPECT_TRUE(view.log.empty());
}

TEST_F(DiscoveryTest, ProbeAnswerAndCommandAnswerInOneChunkGoToTheirHandlers) {
  Attach(0);
  int answers = 0;
  watch = [&](JobState& j, const ReceivedFrame&, int s) { answers += j.SlotConnected[s]; };
  SendProbe(*js, 0);
  SendOffLineMonitor(*js, 0x93, 0);  // answered "unknown command" by the unit
  Pump();
  EXPECT_EQ(js->SlotConnected[0], 1);
  EXPECT_EQ(answers, 1);
}

TEST_F(DiscoveryTest, SecondSearchStillRecognisesACurrentUnit) {
  SetImageVersion("V2.10", true);
  auto& first = Attach(0, Config([](UnitConfig& c) { c.Version = "V2.10"; }));
  Attach(1, Config([](UnitConfig& c) { c.Version = "V2.10"; }));
  (void)first;
  Search(0);
  Search(1);
  js->DeviceCount = 0;
  Search(0);
  Search(1);
  EXPECT_EQ(js->DeviceCount, 2);
  EXPECT_EQ(js->SlotOp[0], kOpIdle);
  EXPECT_EQ(js->SlotOp[1], kOpIdle);
}

TEST_F(DiscoveryTest, OlderUnitIsUpgradedAndFoundByTheNextSearch) {
  std::vector<uint8_t> body(3 * 2048);
  for (size_t i = 0; i < body.size(); ++i) body[i] = static_cast<uint8_t>(i * 7 + i / 2048);
  std::string error;
  auto image = BuildFirmwareImage(body, "V2.10 test", 0x1234, error);
  ASSERT_FALSE(image.empty()) << error;
  ASSERT_EQ(LoadFirmwareImageData(*js, image), FirmwareLoadResult::Loaded);
  auto& unit = Attach(1, Config([](UnitConfig& c) {
    c.Version = "V2.00";
    c.UpgradedVersion = "V2.10 test";
  }));
  handleAnswers = true;

  Search(1);
  EXPECT_TRUE(Logged("C2: Firmware Upgrade Completed!"));
  EXPECT_TRUE(unit.Upgraded());
  EXPECT_EQ(unit.FirmwareBlocksAccepted(), 3);
  EXPECT_EQ(unit.FirmwareBlocksRefused(), 0);
  ASSERT_EQ(unit.FirmwareMemory().size(), body.size());
  for (size_t i = 0; i < body.size(); ++i) {
    if (i % 4 == 3) continue;  // the byte of each group that is never sent
    ASSERT_EQ(unit.FirmwareMemory()[i], body[i]) << i;
  }
  EXPECT_EQ(js->DeviceCount, 0);

  js->DeviceCount = 0;
  Search(1);
  EXPECT_EQ(js->SlotConnected[1], 1);
  EXPECT_EQ(js->DeviceCount, 1);
  EXPECT_TRUE(Logged("C2: Find Device: KorvanQZ-Plus V2.10 test!"));
}

TEST(CompareUnitVersion, ComparesOverTheUnitsOwnLength) {
  auto js = std::make_unique<JobState>();
  const char* image = "V2.10 2026-01-01";
  std::memcpy(js->Firmware.FirmwareVersion.data(), image, std::strlen(image));
  struct { const char* name; int result; } cases[] = {
      {"KorvanQZ-Plus V2.10", 0},   // equal over its own length
      {"KorvanQZ-Plus V2.10 2026-01-01", 0},
      {"KorvanQZ-Plus V2.11", 0},
      {"KorvanQZ-Plus V2.09", 3},
      {"KorvanQZ-Plus V1", 3},
      {"KorvanQZ-Plus", 3},         // no version: older
      {"KorvanQZ-Plus v9.99", 3},   // a lower-case v is no version
      {"KorvanQZ-Plus X V3", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CompareUnitVersion(*js, c.name), c.result) << c.name;
  js->Firmware.FirmwareVersion.fill(0);
  EXPECT_EQ(CompareUnitVersion(*js, "KorvanQZ-Plus"), 0);
}

}  // namespace
