// The unit model on its own: what it answers, and its faults.
#include <gtest/gtest.h>

#include "SimUnit.h"

using namespace unitsim;

namespace {


const std::vector<uint8_t> kProbe = {0xC0, 0xA3, 0xA5, 0x35, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};

std::vector<uint8_t> Framed(std::vector<uint8_t> packet) {
  uint16_t crc = CheckValue(packet.data(), packet.size());
  packet.push_back(static_cast<uint8_t>(crc));
  packet.push_back(static_cast<uint8_t>(crc >> 8));
  std::vector<uint8_t> out;
  AppendFrame(packet, out);
  return out;
}

std::vector<std::vector<uint8_t>> Frames(const std::vector<uint8_t>& bytes) {
  FrameReader reader;
  return reader.Feed(bytes.data(), bytes.size());
}

// A firmware block as the host builds it: address, block number, keys.
std::vector<uint8_t> FirmwareBlock(uint16_t address, const std::vector<uint8_t>& keys, uint8_t fill) {
  size_t blk = (address - kFirmwareStart) / 1024;
  uint8_t k0 = keys[blk & ~size_t{1}], k1 = keys[(blk & ~size_t{1}) + 1];
  std::vector<uint8_t> p = {0xB7, uint8_t(address), uint8_t(address >> 8), uint8_t(blk), 3, 0x0F, 0x00, 0x08};
  for (int i = 0; i < 512; ++i) {
    p.push_back(uint8_t(fill ^ k0));
    p.push_back(uint8_t((fill + 1) ^ k1));
    p.push_back(uint8_t((fill + 2) ^ k0));
    p.push_back(k1);
  }
  return Framed(p);
}

uint8_t StatusOf(const std::vector<uint8_t>& answer) {
  auto frames = Frames(answer);
  EXPECT_EQ(frames.size(), 1u);
  return frames.empty() || frames[0].size() < 9 ? 0xFF : frames[0][8];
}

TEST(SimUnit, AnswersTheProbeWithItsName) {
  SimUnit unit(Config([](UnitConfig& c) { c.Name = "KorvanQZ-Plus"; c.Version = "V2.10"; }));
  auto frames = Frames(unit.Feed(kProbe));
  ASSERT_EQ(frames.size(), 1u);
  const auto& a = frames[0];
  std::string name = "KorvanQZ-Plus V2.10";
  ASSERT_GE(a.size(), 24 + name.size());
  EXPECT_EQ(a[0], 0xA3);
  EXPECT_EQ(a[1], 0xA5);
  EXPECT_EQ(a[2], 0x35);
  EXPECT_EQ(a[3], name.size() - 1);
  EXPECT_EQ(std::string(a.begin() + 24, a.begin() + 24 + name.size()), name);
}

TEST(SimUnit, ProbeSplitOverChunksAndBehindPadding) {
  SimUnit unit;
  EXPECT_TRUE(unit.Feed({0xFF, 0xFF, 0xC0, 0xA3}).empty());
  EXPECT_EQ(Frames(unit.Feed({0xA5, 0x35, 0xC0})).size(), 1u);
}

TEST(SimUnit, RefusesABadCheckValueAndUnknownCommands) {
  SimUnit unit;
  auto bad = Framed({0x93, 3, 0, 0, 0, 0, 0, 0});
  bad[bad.size() - 7] ^= 1;  // the check value's high byte
  EXPECT_EQ(StatusOf(unit.Feed(bad)), kStatusPacketError);
  EXPECT_EQ(StatusOf(unit.Feed(Framed({0x77, 0, 0, 0, 0, 0, 0, 0}))), kStatusUnknownCommand);
}

TEST(SimUnit, AddingACommandIsOneHandler) {
  SimUnit unit;
  unit.SetHandler(0x93, [](SimUnit& u, const Packet& p) { u.AnswerStatus(p, 6); });
  EXPECT_EQ(StatusOf(unit.Feed(Framed({0x93, 3, 0, 0, 0, 0, 0, 0}))), 6);
}

TEST(SimUnit, AcceptsFirmwareBlocksInOrderWithTheKeys) {
  std::vector<uint8_t> keys(112);
  for (size_t i = 0; i < keys.size(); ++i) keys[i] = uint8_t(0x31 * i + 7);
  SimUnit unit(Config([&](UnitConfig& c) { c.Version = "V1.00"; c.UpgradedVersion = "V3.00"; c.BlockKeys = keys; }));
  EXPECT_EQ(StatusOf(unit.Feed(FirmwareBlock(0x2000, keys, 0x10))), kStatusOk);
  EXPECT_EQ(StatusOf(unit.Feed(FirmwareBlock(0x2400, keys, 0x20))), kStatusOk);
  EXPECT_EQ(StatusOf(unit.Feed(FirmwareBlock(0x2C00, keys, 0x30))), kStatusCommandError);  // skips one
  auto wrongKey = FirmwareBlock(0x2800, std::vector<uint8_t>(112, 0x99), 0x30);
  EXPECT_EQ(StatusOf(unit.Feed(wrongKey)), kStatusCheckSumError);
  EXPECT_EQ(unit.FirmwareBlocksAccepted(), 2);
  EXPECT_EQ(unit.FirmwareBlocksRefused(), 2);
  ASSERT_EQ(unit.FirmwareMemory().size(), 4096u);
  EXPECT_EQ(unit.FirmwareMemory()[0], 0x10);
  EXPECT_EQ(unit.FirmwareMemory()[2049], 0x21);
  // The restart into the new firmware answers nothing; the name changes.
  EXPECT_TRUE(unit.Feed(Framed({138, 'R', 'E', 'S', 'T', 0xA8, 2, 0, 0, 0})).empty());
  EXPECT_TRUE(unit.Upgraded());
  EXPECT_EQ(unit.NameText(), "KorvanQZ-Plus V3.00");
}

TEST(SimUnit, PadsItsFramesUnlessToldNotTo) {
  const std::vector<uint8_t> padding(5, 0xFF);
  std::vector<uint8_t> padded = SimUnit().Feed(kProbe);
  ASSERT_GT(padded.size(), 6u);
  EXPECT_EQ(std::vector<uint8_t>(padded.end() - 5, padded.end()), padding);
  EXPECT_EQ(padded[padded.size() - 6], 0xC0);

  std::vector<uint8_t> bare = SimUnit(Config([](UnitConfig& c) { c.Unpadded = true; })).Feed(kProbe);
  EXPECT_EQ(bare.back(), 0xC0);
  EXPECT_EQ(bare.size() + 5, padded.size());
  EXPECT_EQ(Frames(bare), Frames(padded));
}

TEST(SimUnit, Faults) {
  SimUnit silent(Config([](UnitConfig& c) { c.Silent = true; }));
  EXPECT_TRUE(silent.Feed(kProbe).empty());

  SimUnit noisy(Config([](UnitConfig& c) { c.GarbageBetweenFrames = true; }));
  auto bytes = noisy.Feed(kProbe);
  EXPECT_NE(bytes.front(), 0xC0);
  auto noisyFrames = Frames(bytes);
  ASSERT_EQ(noisyFrames.size(), 2u);  // the stray bytes, then the answer
  EXPECT_EQ(noisyFrames[1][0], 0xA3);

  SimUnit badCheck(Config([](UnitConfig& c) { c.BadCheckValue = true; }));
  auto a = Frames(badCheck.Feed(kProbe)).at(0);
  uint16_t stored = uint16_t(a[a.size() - 2] | a[a.size() - 1] << 8);
  EXPECT_NE(CheckValue(a.data(), a.size() - 2), stored);

  SimUnit hangs(Config([](UnitConfig& c) { c.HangupAfterFrames = 2; }));
  EXPECT_FALSE(hangs.Feed(kProbe).empty());
  EXPECT_FALSE(hangs.HungUp());
  EXPECT_FALSE(hangs.Feed(kProbe).empty());
  EXPECT_TRUE(hangs.HungUp());
  EXPECT_TRUE(hangs.Feed(kProbe).empty());
}

}  // namespace
