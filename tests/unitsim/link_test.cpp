// The line's timing model, the figures a unit keeps on its line, and the
// unit options of the program.
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "LinkModel.h"
#include "PtyUnit.h"
#include "UnitOptions.h"

using namespace unitsim;

namespace {

TEST(Wire, ElevenBitsPerByteAtTheBaudRate) {
  Wire w(1000000);
  EXPECT_EQ(w.Duration(1), 11000);  // ns
  EXPECT_EQ(w.Duration(90909), 999999000);
  // One second carries 90,909 bytes.
  EXPECT_EQ(w.Through(0, 1000000, 1000000000), 90909u);
  EXPECT_EQ(w.Through(0, 1000000, 10999), 0u);
  EXPECT_EQ(w.Through(0, 1000000, 11000), 1u);
  EXPECT_EQ(w.Through(0, 10, 5000000000), 10u);  // never more than were queued
  EXPECT_EQ(w.Through(100, 10, 50), 0u);
}

TEST(Wire, BytesQueueBehindEachOther) {
  Wire w(1000000);
  EXPECT_EQ(w.Queue(1000, 10), 1000);   // a free wire starts at once
  EXPECT_EQ(w.FreeAt(), 111000);
  EXPECT_EQ(w.Queue(2000, 5), 111000);  // a busy one when it is free
  EXPECT_EQ(w.FreeAt(), 166000);
  EXPECT_EQ(w.Queue(500000, 1), 500000);  // after a pause, at once again
}

TEST(Wire, WithoutABaudRateEverythingIsThroughAtOnce) {
  Wire w;
  EXPECT_FALSE(w.Limited());
  EXPECT_EQ(w.Duration(1 << 20), 0);
  EXPECT_EQ(w.Through(5, 1000, 5), 1000u);
  EXPECT_EQ(w.Queue(7, 1000), 7);
}

TEST(LinkFigures, BusyTimeCountsOverlapsOnce) {
  BusyTime b;
  b.Add(0, 100);
  b.Add(50, 150);   // overlaps: 50 more
  b.Add(150, 150);  // empty
  b.Add(200, 300);  // a gap, then 100
  b.Add(210, 220);  // inside
  EXPECT_DOUBLE_EQ(b.Seconds(), 250e-9);
}

TEST(LinkFigures, TurnaroundPercentilesByNearestRank) {
  LinkStats s;
  EXPECT_EQ(s.TurnaroundMs(50), 0);
  for (int i = 100; i >= 1; --i) s.TurnaroundSeconds.push_back(i * 1e-3);
  EXPECT_DOUBLE_EQ(s.TurnaroundMs(50), 50);
  EXPECT_DOUBLE_EQ(s.TurnaroundMs(99), 99);
  EXPECT_DOUBLE_EQ(s.TurnaroundMs(100), 100);
}

struct OptionCase {
  std::vector<std::string> args;
  bool ok;
  std::function<bool(const UnitConfig&)> check;
};

TEST(UnitOptions, EachOptionSetsItsField) {
  const OptionCase cases[] = {
      {{"--error-on", "149:3:0x41"}, true,
       [](const UnitConfig& c) {
         return c.ErrorsOn.size() == 1 && c.ErrorsOn[0].Command == 149 && c.ErrorsOn[0].SubCode == -1 &&
                c.ErrorsOn[0].Nth == 3 && c.ErrorsOn[0].Status == 0x41;
       }},
      {{"--error-on", "147/0x33:0:49"}, true,
       [](const UnitConfig& c) {
         return c.ErrorsOn[0].SubCode == 0x33 && c.ErrorsOn[0].Nth == 0 && c.ErrorsOn[0].Status == 49;
       }},
      {{"--error-on", "149:3"}, false, nullptr},
      {{"--error-on", "300:1:1"}, false, nullptr},
      {{"--error-on", "149:x:1"}, false, nullptr},
      {{"--baud", "1000000"}, true, [](const UnitConfig& c) { return c.Baud == 1000000; }},
      {{"--baud", "fast"}, false, nullptr},
      {{"--baud"}, false, nullptr},
      {{"--bad-sum", "2"}, true, [](const UnitConfig& c) { return c.BadRoundSum == 2; }},
      {{"--bad-sum", "0"}, false, nullptr},
      {{"--silent-after", "4"}, true, [](const UnitConfig& c) { return c.SilentAfterCommands == 4; }},
      {{"--stream-error", "3:0x2C"}, true,
       [](const UnitConfig& c) { return c.StreamErrorAfterBlocks == 3 && c.StreamErrorStatus == 0x2C; }},
      {{"--stream-error", "3"}, true,
       [](const UnitConfig& c) { return c.StreamErrorAfterBlocks == 3 && c.StreamErrorStatus == kStatusWriteError; }},
      {{"--not-blank"}, true, [](const UnitConfig& c) { return c.NotBlank; }},
      {{"--weak-chip"}, true, [](const UnitConfig& c) { return c.WeakChip; }},
      {{"--reports"}, true, [](const UnitConfig& c) { return c.SequenceReports && !c.BothCompletions; }},
      {{"--both-completions"}, true, [](const UnitConfig& c) { return c.SequenceReports && c.BothCompletions; }},
      {{"--no-padding"}, true, [](const UnitConfig& c) { return c.Unpadded; }},
      {{"--deaf-after", "65536"}, true, [](const UnitConfig& c) { return c.DeafAfterBytes == 65536; }},
      {{"--deaf-after", "-5"}, false, nullptr},
      {{"--hangup-after", "-1"}, false, nullptr},
      {{"--frobnicate"}, false, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    UnitConfig config;
    size_t i = 0;
    EXPECT_EQ(ApplyUnitOption(c.args, i, config), c.ok);
    if (c.ok) {
      EXPECT_EQ(i, c.args.size());
      EXPECT_TRUE(c.check(config));
    }
  }
}

TEST(UnitOptions, TheProgramsCommandLineWithOptionsForOneUnit) {
  auto o = ParseProgramOptions({"--units", "3", "--ini", "x.ini", "--baud", "1000000", "--unit", "2",
                                "--silent", "--error-on", "149:1:0x2D", "--unit", "3", "--not-blank"});
  ASSERT_TRUE(o);
  EXPECT_EQ(o->Units, 3);
  EXPECT_EQ(o->Ini, "x.ini");
  ASSERT_EQ(o->Configs.size(), 3u);
  for (const auto& c : o->Configs) EXPECT_EQ(c.Baud, 1000000);
  EXPECT_FALSE(o->Configs[0].Silent);
  EXPECT_TRUE(o->Configs[1].Silent);
  EXPECT_EQ(o->Configs[1].ErrorsOn.size(), 1u);
  EXPECT_TRUE(o->Configs[0].ErrorsOn.empty());
  EXPECT_TRUE(o->Configs[2].NotBlank);
  EXPECT_FALSE(o->Configs[1].NotBlank);

  EXPECT_FALSE(ParseProgramOptions({"--units", "9"}));
  EXPECT_FALSE(ParseProgramOptions({"--ini", "x.ini"}));
  EXPECT_FALSE(ParseProgramOptions({"--units", "2", "--unit", "0", "--silent"}));
  EXPECT_FALSE(ParseProgramOptions({"--units", "2", "--unit", "1", "--baud", "x"}));
}

// Reads until `want` bytes came or 5 s passed.
std::vector<uint8_t> ReadBytes(int fd, size_t want) {
  std::vector<uint8_t> got;
  while (got.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) break;
    uint8_t buf[4096];
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n <= 0) break;
    got.insert(got.end(), buf, buf + n);
  }
  return got;
}

TEST(PtyUnitLine, APacedUnitCountsItsBytesAndTheHostsTurnaround) {
  PtyUnit unit(Config([](UnitConfig& c) { c.Baud = 1000000; }));
  std::string error;
  ASSERT_TRUE(unit.Start(error)) << error;
  int fd = ::open(unit.DevicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  const uint8_t probe[] = {0xC0, 0xA3, 0xA5, 0x35, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  size_t answerSize = 0;
  {
    SimUnit model;
    answerSize = model.Feed(probe, sizeof probe).size();
  }
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(::write(fd, probe, sizeof probe), 10);
    ASSERT_EQ(ReadBytes(fd, answerSize).size(), answerSize);
  }
  // The last answer was read; its turnaround ends with the host's next bytes,
  // which none followed.
  LinkStats s = unit.Stats();
  EXPECT_EQ(s.BytesReceived, 30u);
  EXPECT_EQ(s.BytesSent, 3 * answerSize);
  EXPECT_EQ(s.TurnaroundSeconds.size(), 2u);
  // At least the time the wire needs for the bytes in both directions.
  EXPECT_GE(s.BusySeconds, (30 + 3 * answerSize) * 11e-6 / 2);
  unit.ResetStats();
  EXPECT_EQ(unit.Stats().BytesSent, 0u);
  ASSERT_EQ(::write(fd, probe, sizeof probe), 10);
  ASSERT_EQ(ReadBytes(fd, answerSize).size(), answerSize);
  EXPECT_TRUE(unit.Stats().TurnaroundSeconds.empty());  // the reset ends a waiting turnaround
  ::close(fd);
}

TEST(PtyUnitLine, FaultsAndMemoriesOfARunningUnit) {
  PtyUnit unit;
  std::string error;
  ASSERT_TRUE(unit.Start(error)) << error;
  unit.Change([](SimUnit& u) {
    u.MutableConfig().Silent = true;
    const uint8_t data[] = {1, 2, 3};
    u.Chip().Write(10, data, 3);
  });
  int fd = ::open(unit.DevicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  const uint8_t probe[] = {0xC0, 0xA3, 0xA5, 0x35, 0xC0};
  ASSERT_EQ(::write(fd, probe, sizeof probe), 5);
  pollfd p{fd, POLLIN, 0};
  EXPECT_EQ(::poll(&p, 1, 200), 0);
  int frames = 0;
  uint8_t at11 = 0;
  unit.Inspect([&](const SimUnit& u) {
    frames = u.FramesReceived();
    at11 = u.Chip().At(11);
  });
  EXPECT_EQ(frames, 1);
  EXPECT_EQ(at11, 2);
  ::close(fd);
}

}  // namespace

namespace {

TEST(PtyUnitLine, ReportsSentUnaskedReachTheHost) {
  PtyUnit unit;
  std::string error;
  ASSERT_TRUE(unit.Start(error)) << error;
  int fd = ::open(unit.DevicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  // Nothing downloaded: the stand-alone run reports its start and its failure.
  unit.Change([](SimUnit& u) { u.RunStandAlone(); });
  auto got = ReadBytes(fd, 2 * (10 + 5));
  ASSERT_GE(got.size(), 20u);
  EXPECT_EQ(got[0], 0xC0);
  EXPECT_EQ(got[1], kSequenceReport);
  ::close(fd);
}

}  // namespace
