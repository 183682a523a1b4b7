// The off-line monitor command goes to the units that run nothing; a
// running unit gets no foreign bytes and is named in the log.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "AnswerFixture.h"
#include "protocol/OperationStart.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotPhase.h"
#include "protocol/SlotTimers.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Command 138 "REST" as it goes out on the line.
const Bytes kMonitorFrame = {0xC0, 0x8A, 0x52, 0x45, 0x53, 0x54, 0xA8, 0x02, 0x00, 0x00,
                             0x00, 0xCD, 0x02, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const char* const kSkipped = "Off-line monitor skipped: the unit is busy!";

struct OffLineMonitorTest : AnswerFixture {
  void Image(uint32_t kb, bool large) {
    js->ChipFamily = 0x10;
    js->ChipSizeCopy = kb * 1024;
    js->DataSizeKB = kb;
    js->DataEnd = kb * 1024 - 1;
    js->LargeImage = large;
    js->DataLoaded = 1;
    for (uint32_t i = 0; i < kb * 1024; ++i) js->DataBuffer[i] = static_cast<uint8_t>(i * 13 + i / 4099);
  }
};

// Unit 1 streams a 16 MB image; the monitor pressed in the middle of it
// reaches every other unit and nothing of it enters the stream.
TEST_F(OffLineMonitorTest, PressedDuringAPacedStreamLeavesTheStreamAlone) {
  constexpr uint32_t kKB = 16 * 1024;
  Image(kKB, true);
  StartSlotCommand(*js, SlotCommand::Program, false, 0);
  AnswerStatus(0, 0);
  ASSERT_EQ(SlotPhaseOf(*js, 0), SlotPhase::Sending);
  const size_t streamStart = ports[0].sent.size();
  for (int i = 0; i < 10; ++i) PaceDownloads(*js);

  SendOffLineMonitorToAll(*js);

  EXPECT_EQ(view.LogTexts().back(), "C1: " + std::string(kSkipped));
  EXPECT_EQ(SlotTexts(0), (std::vector<std::string>{kSkipped}));
  for (int s = 1; s < kSlotCount; ++s) {
    ASSERT_EQ(ports[s].sent.size(), 1u) << s;
    EXPECT_EQ(ports[s].sent[0], kMonitorFrame) << s;
    EXPECT_TRUE(SlotTexts(s).empty()) << s;
  }
  // The rest of the stream: the image's blocks and nothing in between.
  for (int i = 0; i < 600 && js->SlotDownloading[0]; ++i) PaceDownloads(*js);
  ASSERT_EQ(js->SlotDownloading[0], 0);
  EXPECT_EQ(SlotTexts(0).back(), "Operation Success!");
  const std::vector<Bytes>& sent = ports[0].sent;
  ASSERT_EQ(sent.size(), streamStart + kKB / 32);
  for (size_t i = streamStart; i < sent.size(); ++i) {
    const uint8_t* image = js->DataBuffer.get() + (i - streamStart) * kSlotRawBlockSize;
    ASSERT_EQ(sent[i].size(), kSlotRawBlockSize) << i;
    ASSERT_EQ(std::memcmp(sent[i].data(), image, kSlotRawBlockSize), 0) << "block " << i - streamStart;
  }
}

struct RunningCase {
  const char* name;
  int slot;
  std::function<void(OffLineMonitorTest&, int)> start;
};
void PrintTo(const RunningCase& c, std::ostream* os) { *os << c.name; }

struct OffLineMonitorSkipTest : OffLineMonitorTest, ::testing::WithParamInterface<RunningCase> {};

TEST_P(OffLineMonitorSkipTest, SkipsTheRunningUnitOnly) {
  const RunningCase& c = GetParam();
  c.start(*this, c.slot);
  ASSERT_TRUE(SlotRunning(*js, c.slot));
  const size_t before = ports[c.slot].sent.size();
  const SlotOpCode op = js->SlotOp[c.slot];

  SendOffLineMonitorToAll(*js);

  EXPECT_EQ(ports[c.slot].sent.size(), before);
  ASSERT_FALSE(SlotTexts(c.slot).empty());
  EXPECT_EQ(SlotTexts(c.slot).back(), kSkipped);
  EXPECT_EQ(js->SlotOp[c.slot], op);
  EXPECT_TRUE(SlotRunning(*js, c.slot));
  for (int s = 0; s < kSlotCount; ++s) {
    if (s == c.slot) continue;
    ASSERT_EQ(ports[s].sent.size(), 1u) << s;
    EXPECT_EQ(ports[s].sent[0], kMonitorFrame) << s;
  }
}

INSTANTIATE_TEST_SUITE_P(
    States, OffLineMonitorSkipTest,
    ::testing::Values(
        RunningCase{"ProgramByPages", 2,
                    [](OffLineMonitorTest& f, int s) {
                      f.Image(16, false);
                      StartSlotCommand(*f.js, SlotCommand::Program, false, s);
                    }},
        RunningCase{"Verify", 7,
                    [](OffLineMonitorTest& f, int s) {
                      f.Image(16, false);
                      StartSlotCommand(*f.js, SlotCommand::Verify, false, s);
                    }},
        RunningCase{"DownloadRawRound", 4,
                    [](OffLineMonitorTest& f, int s) {
                      f.Image(128, true);
                      f.js->LargeDownload = 1;
                      StartSlotCommand(*f.js, SlotCommand::Download, false, s);
                      f.AnswerStatus(s, 0);  // the configuration taken: command 89
                      f.AnswerStatus(s, 0);  // the first round goes out
                      ASSERT_EQ(f.js->SlotOp[s], kOpDownloadRaw);
                    }},
        RunningCase{"StreamedRead", 0,
                    [](OffLineMonitorTest& f, int) {
                      f.Image(128, true);
                      f.js->ReadLength = 128 * 1024;
                      StartChipRead(*f.js, 128);
                      f.AnswerStatus(0, 0);
                      ASSERT_EQ(SlotPhaseOf(*f.js, 0), SlotPhase::Reading);
                    }}),
    [](const ::testing::TestParamInfo<RunningCase>& info) { return std::string(info.param.name); });

}  // namespace
