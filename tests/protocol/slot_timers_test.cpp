// The 10 ms tick (time-outs, clock-driven gauges) and the 170 ms tick (the
// paced program stream), driven by hand as a fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "AnswerFixture.h"
#include "protocol/Firmware.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"

namespace {

struct CountCase {
  int32_t start;
  bool fires;
  int32_t after;
};

TEST(CountDown, FiresOnlyOnTheStepFromOneToZero) {
  constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
  const CountCase cases[] = {
      {1, true, 0},     {2, false, 1},          {0, false, -1},
      {-1, false, -2},  {kMin + 1, false, kMin}, {kMin, false, kMin},  // stays, never wraps
      {std::numeric_limits<int32_t>::max(), false, std::numeric_limits<int32_t>::max() - 1},
  };
  for (const CountCase& c : cases) {
    int32_t ticks = c.start;
    EXPECT_EQ(CountDown(ticks), c.fires) << c.start;
    EXPECT_EQ(ticks, c.after) << c.start;
  }
}

struct TimerTest : AnswerFixture {
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) TickSlotTimeouts(*js);
  }
};

TEST_F(TimerTest, BusySlotWithOneTickLeftTimesOutOnTheNextTick) {
  Arm(4, kOpVerify);
  js->SlotTimeout[4] = 1;
  Arm(1, kOpVerify);
  js->SlotTimeout[1] = 2;
  Ticks(1);
  EXPECT_EQ(js->SlotOp[4], kOpIdle);
  EXPECT_EQ(js->SlotBusy[4], 0);
  EXPECT_EQ(view.gauges[4].color, GaugeColor::Red);
  EXPECT_EQ(SlotTexts(4), (std::vector<std::string>{"Operation Time Out!", "Operation Failed!"}));
  EXPECT_TRUE(ports[4].sent.empty());
  // The other slot goes on until its own count runs out.
  EXPECT_EQ(js->SlotBusy[1], 1);
  Ticks(1);
  EXPECT_EQ(js->SlotBusy[1], 0);
  EXPECT_EQ(SlotTexts(4).size(), 2u);  // fired once only
}

TEST_F(TimerTest, CountAtZeroOrBelowNeverFires) {
  Arm(0, kOpErase);
  js->SlotTimeout[0] = 0;
  Arm(7, kOpErase);
  js->SlotTimeout[7] = std::numeric_limits<int32_t>::min() + 3;
  Ticks(2000);
  EXPECT_EQ(js->SlotBusy[0], 1);
  EXPECT_EQ(js->SlotBusy[7], 1);
  EXPECT_EQ(js->SlotTimeout[0], -2000);
  EXPECT_EQ(js->SlotTimeout[7], std::numeric_limits<int32_t>::min());
  EXPECT_TRUE(view.log.empty());
}

TEST_F(TimerTest, IdleSlotsAreNotCounted) {
  js->SlotTimeout[3] = 1;
  Ticks(5);
  EXPECT_EQ(js->SlotTimeout[3], 1);
  EXPECT_TRUE(view.log.empty());
}

TEST_F(TimerTest, EveryReceivedChunkRearmsTheCount) {
  Arm(0, kOpProgram149, 64);
  Arm(7, kOpProgram149, 64);
  js->SlotTimeout[0] = 3;
  js->SlotTimeout[7] = 3;
  Ticks(2);
  const std::vector<uint8_t> noise{0x01, 0x02};  // bytes without a frame still count
  Receive(noise, 0);
  Receive(noise, 7);
  EXPECT_EQ(js->SlotTimeout[0], 500);
  EXPECT_EQ(js->SlotTimeout[7], 800);
  Ticks(499);
  EXPECT_EQ(js->SlotBusy[0], 1);
  Ticks(1);
  EXPECT_EQ(js->SlotBusy[0], 0);
  EXPECT_EQ(js->SlotBusy[7], 1);
}

TEST_F(TimerTest, ClockDrivenGaugeStepsEveryTickUpToItsMaximum) {
  StartSlotOperation(*js, 3, 0, 2);  // the gauge follows the time: maximum 3
  js->SlotGaugeTick[2] = 1;
  const int start = view.gauges[2].progress;
  Ticks(1);
  EXPECT_EQ(view.gauges[2].progress, start + 1);
  js->SlotTimeout[2] = 100;
  Ticks(10);
  EXPECT_EQ(view.gauges[2].progress, 3);
}

TEST_F(TimerTest, StreamedReadBesideABusySlotZeroCountsItTwicePerTick) {
  js->ReadStreaming = 1;
  js->ReadLength = 4096;
  js->DataSizeKB = 4;
  Arm(0, kOpVerify);
  js->SlotTimeout[0] = 10;
  Ticks(1);
  EXPECT_EQ(js->SlotTimeout[0], 8);
}

// --- The paced program stream ----------------------------------------------------

struct PacingTest : AnswerFixture {
  // A slot whose unit has accepted command 150 for `totalKB`.
  void StartStream(int slot, uint32_t totalKB, bool autoMode) {
    js->DataSizeKB = totalKB;
    Arm(slot, kOpProgram150, totalKB);
    js->SlotAutoMode[slot] = autoMode;
    AnswerStatus(slot, 0);
    ASSERT_EQ(js->SlotDownloading[slot], 1);
  }
  size_t RawBlocks(int slot) const {
    size_t n = 0;
    for (const auto& b : ports[slot].sent) n += b.size() == kSlotRawBlockSize;
    return n;
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) TickSlotTimeouts(*js);
  }
};

TEST_F(PacingTest, OneBlockPerTickThenVerifyOnTheTickAfterTheLast) {
  for (uint32_t i = 0; i < 96 * 1024; ++i) js->DataBuffer[i] = static_cast<uint8_t>(i / 1024);
  StartStream(3, 96, true);
  for (int tick = 1; tick <= 3; ++tick) {
    PaceDownloads(*js);
    EXPECT_EQ(RawBlocks(3), static_cast<size_t>(tick));
    EXPECT_EQ(js->SlotKbIndex[3], 32u * tick);
    EXPECT_EQ(js->SlotOp[3], kOpIdle);
    EXPECT_EQ(ports[3].sent.back()[0], static_cast<uint8_t>(32 * (tick - 1)));
  }
  EXPECT_EQ(view.gauges[3].progress, 96);  // position before the tick's block + 32
  PaceDownloads(*js);
  EXPECT_EQ(js->SlotDownloading[3], 0);
  EXPECT_EQ(js->SlotOp[3], kOpVerify);
  EXPECT_EQ(js->SlotBusy[3], 1);
  EXPECT_EQ(js->SlotTimeout[3], 96 / 3 + 500);
  std::vector<uint8_t> verify = SentPacket(3, ports[3].sent.size() - 1);
  ASSERT_FALSE(verify.empty());
  EXPECT_EQ(verify[0], 147);
  EXPECT_EQ(verify[1], 0x33);
  EXPECT_EQ(SlotTexts(3), std::vector<std::string>{"Programming Success, do verification......"});
}

TEST_F(PacingTest, WithoutAutoTheStreamEndsWell) {
  StartStream(1, 32, false);
  PaceDownloads(*js);
  PaceDownloads(*js);
  EXPECT_EQ(js->SlotDownloading[1], 0);
  EXPECT_EQ(js->SlotOp[1], kOpIdle);
  EXPECT_EQ(SlotTexts(1), std::vector<std::string>{"Operation Success!"});
  EXPECT_EQ(ports[1].sent.size(), 1u);  // the one block, nothing after it
}

TEST_F(PacingTest, NoTimeOutRunsWhileTheImageGoesOut) {
  StartStream(2, 64, true);
  Receive({0x01}, 2);  // a chunk from the unit arms a count...
  EXPECT_EQ(js->SlotTimeout[2], 500);
  PaceDownloads(*js);  // ...which the pacing clears
  EXPECT_EQ(js->SlotTimeout[2], 0);
  for (int i = 0; i < 2000; ++i) TickSlotTimeouts(*js);
  EXPECT_TRUE(SlotTexts(2).empty());
  EXPECT_EQ(js->SlotDownloading[2], 1);
  EXPECT_FALSE(SlotReady(*js, 2));
}

// Units on list entries with gaps: a slot beyond the device count is paced too.
TEST_F(PacingTest, EverySlotWithAStreamIsPacedInOrder) {
  js->DeviceCount = 1;
  StartStream(6, 64, false);
  StartStream(0, 64, false);
  PaceDownloads(*js);
  EXPECT_EQ(RawBlocks(6), 1u);
  EXPECT_EQ(RawBlocks(0), 1u);
}

// The line carries about 90 kB/s, the tick offers 193 kB/s: a block goes only
// while less than one block waits, and the verify starts only once the last
// block has left the port.
TEST_F(PacingTest, BlocksWaitForTheWriteQueueAndVerifyForItToDrain) {
  StartStream(5, 96, true);
  RecordingPort& port = ports[5];
  port.pendingBytes = 0;
  PaceDownloads(*js);
  EXPECT_EQ(RawBlocks(5), 1u);
  port.pendingBytes = kSlotRawBlockSize;  // a whole block still waits
  PaceDownloads(*js);
  PaceDownloads(*js);
  EXPECT_EQ(RawBlocks(5), 1u);
  port.pendingBytes = kSlotRawBlockSize - 1;
  PaceDownloads(*js);
  EXPECT_EQ(RawBlocks(5), 2u);
  port.pendingBytes = 100;
  PaceDownloads(*js);
  EXPECT_EQ(RawBlocks(5), 3u);
  EXPECT_EQ(js->SlotKbIndex[5], 96u);
  port.pendingBytes = 1;  // the last bytes are still on their way
  PaceDownloads(*js);
  PaceDownloads(*js);
  EXPECT_EQ(js->SlotDownloading[5], 1);
  EXPECT_EQ(js->SlotOp[5], kOpIdle);
  port.pendingBytes = 0;
  PaceDownloads(*js);
  EXPECT_EQ(js->SlotDownloading[5], 0);
  EXPECT_EQ(js->SlotOp[5], kOpVerify);
  EXPECT_EQ(js->SlotTimeout[5], 96 / 3 + 500);
}

TEST_F(PacingTest, StreamToAClosedPortFails) {
  StartStream(4, 64, false);
  ports[4].open = false;
  PaceDownloads(*js);
  EXPECT_EQ(js->SlotDownloading[4], 0);
  EXPECT_EQ(view.gauges[4].color, GaugeColor::Red);
  // The cause comes first, as with a time-out.
  EXPECT_EQ(SlotTexts(4), (std::vector<std::string>{"Connection to the unit lost!", "Operation Failed!"}));
}

// --- A line that stops draining --------------------------------------------------

TEST_F(PacingTest, QueueStandingStillForAnAnswersTimeEndsTheStream) {
  StartStream(3, 96, true);
  PaceDownloads(*js);  // the first block
  ports[3].pendingBytes = 20000;
  Ticks(1);  // seen moving: the count starts here
  Ticks(499);
  EXPECT_EQ(js->SlotDownloading[3], 1);
  EXPECT_TRUE(SlotTexts(3).empty());
  Ticks(1);
  EXPECT_EQ(SlotTexts(3), (std::vector<std::string>{"Operation Time Out!", "Operation Failed!"}));
  EXPECT_EQ(js->SlotDownloading[3], 0);
  EXPECT_EQ(js->SlotOp[3], kOpIdle);
  EXPECT_EQ(view.gauges[3].color, GaugeColor::Red);
  EXPECT_EQ(ports[3].drops, 1);
  EXPECT_EQ(ports[3].pendingBytes, 0u);
  EXPECT_TRUE(SlotReady(*js, 3));
  // Nothing more goes out for it: no block, no verify.
  PaceDownloads(*js);
  Ticks(1000);
  EXPECT_EQ(ports[3].sent.size(), 1u);
  EXPECT_EQ(SlotTexts(3).size(), 2u);
}

// The last block handed over, the stream waits for its queue to empty before
// the verify; a queue that stops there ends it just the same.
TEST_F(PacingTest, QueueStandingStillAfterTheLastBlockEndsTheStream) {
  StartStream(2, 32, true);
  PaceDownloads(*js);
  ports[2].pendingBytes = 7;
  Ticks(501);
  EXPECT_EQ(js->SlotDownloading[2], 0);
  EXPECT_EQ(SlotTexts(2), (std::vector<std::string>{"Operation Time Out!", "Operation Failed!"}));
  EXPECT_EQ(ports[2].sent.size(), 1u);  // no verify
}

TEST_F(PacingTest, OnlyTheQueueMovingKeepsTheStreamGoing) {
  StartStream(1, 96, false);
  StartStream(6, 96, false);
  PaceDownloads(*js);
  // Slot 1's queue moves now and then; slot 6's is empty, waiting for the
  // pacing's next block. Neither is a stall.
  for (int i = 0; i < 5; ++i) {
    ports[1].pendingBytes = 30000 - 1000 * i;
    Ticks(450);
  }
  EXPECT_EQ(js->SlotDownloading[1], 1);
  EXPECT_EQ(js->SlotDownloading[6], 1);
  // Bytes from the unit do not stand in for a queue that moves.
  ports[1].pendingBytes = 25000;
  Ticks(1);
  for (int i = 0; i < 6; ++i) {
    Receive({0x01}, 1);
    Ticks(100);
  }
  EXPECT_EQ(js->SlotDownloading[1], 0);
  EXPECT_EQ(SlotTexts(1), (std::vector<std::string>{"Operation Time Out!", "Operation Failed!"}));
  EXPECT_EQ(js->SlotDownloading[6], 1);
  EXPECT_TRUE(SlotTexts(6).empty());
}

// Three streams on lines that carry 900 bytes per 10 ms tick; slot 4's line
// stops after its first block. It ends alone; the others run to their ends.
TEST_F(PacingTest, StalledStreamAmongRunningOnesEndsAlone) {
  const int slots[] = {0, 4, 7};
  std::array<size_t, kSlotCount> gone{};
  for (int slot : slots) StartStream(slot, 128, slot == 7);
  auto handed = [&](int slot) {
    size_t n = 0;
    for (const auto& b : ports[slot].sent) n += b.size();
    return n;
  };
  for (int tick = 1; tick <= 3000; ++tick) {
    for (int slot : slots) {
      if (!js->SlotDownloading[slot]) continue;
      const size_t carried = slot == 4 && gone[slot] >= kSlotRawBlockSize / 2 ? 0 : 900;
      gone[slot] = std::min(handed(slot), gone[slot] + carried);
      ports[slot].pendingBytes = handed(slot) - gone[slot];
    }
    TickSlotTimeouts(*js);
    if (tick % 17 == 0) PaceDownloads(*js);  // the 170 ms tick
    if (js->SlotOp[7] == kOpVerify) AnswerStatus(7, 0);
  }
  EXPECT_EQ(SlotTexts(4), (std::vector<std::string>{"Operation Time Out!", "Operation Failed!"}));
  EXPECT_EQ(RawBlocks(4), 2u);  // one on the line, one waiting when it stopped
  EXPECT_EQ(ports[4].drops, 1);
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{"Operation Success!"});
  EXPECT_EQ(RawBlocks(0), 4u);
  EXPECT_EQ(SlotTexts(7), (std::vector<std::string>{"Programming Success, do verification......",
                                                     "Operation Success!"}));
  EXPECT_EQ(RawBlocks(7), 4u);
  for (int slot : {0, 7}) EXPECT_EQ(ports[slot].drops, 0) << slot;
}

// --- When the 10 ms tick is needed -------------------------------------------------

// The window runs its 10 ms timer only while the engine needs it: every way
// of arming a slot or starting a stream asks for it, and once the last of
// them has ended the tick has nothing left to watch.
struct TickDemandCase {
  const char* name;
  std::function<void(PacingTest&)> before;  // what already ran (no ask counted)
  std::function<void(PacingTest&)> start;   // must ask for the tick
  std::function<void(PacingTest&)> finish;
};

std::vector<TickDemandCase> TickDemandCases() {
  return {
      {"operation", [](PacingTest&) {},
       [](PacingTest& t) { StartSlotOperation(*t.js, 500, 0, 2); },
       [](PacingTest& t) { EndSlotOperation(*t.js, false, 2); }},
      {"firmware upgrade",
       [](PacingTest& t) {
         t.js->Firmware.FwStartAddr = 0x2000;
         t.js->Firmware.FwEndAddr = 0x2000 + 1024;
         t.js->FirmwareLoaded = 1;
       },
       [](PacingTest& t) { StartFirmwareUpgrade(*t.js, 5); },
       [](PacingTest& t) { EndSlotOperation(*t.js, true, 5); }},
      {"streamed read",
       [](PacingTest& t) {
         t.js->DataSizeKB = 1;
         t.js->ReadLength = 1024;
         t.Arm(0, kOpReadChip154);
       },
       [](PacingTest& t) { t.AnswerStatus(0, 0); },
       [](PacingTest& t) { t.Receive(Counting(1024, 1), 0); }},
      {"paced stream",
       [](PacingTest& t) {
         t.js->DataSizeKB = 32;
         t.Arm(6, kOpProgram150, 32);
       },
       [](PacingTest& t) { t.AnswerStatus(6, 0); },
       [](PacingTest& t) {
         PaceDownloads(*t.js);  // the one block
         PaceDownloads(*t.js);  // its end
       }},
  };
}

TEST_F(PacingTest, EveryArmingAsksForTheTickUntilNothingIsLeftToWatch) {
  for (const TickDemandCase& c : TickDemandCases()) {
    SCOPED_TRACE(c.name);
    ASSERT_FALSE(TicksNeeded(*js));
    c.before(*this);
    view.tickStarts = 0;  // as after a tick that found the slot idle
    c.start(*this);
    EXPECT_GE(view.tickStarts, 1);
    EXPECT_TRUE(TicksNeeded(*js));
    c.finish(*this);
    EXPECT_FALSE(TicksNeeded(*js));
  }
}

TEST_F(PacingTest, TickIsNeededWhileAnySlotIsBusyOrStreams) {
  EXPECT_FALSE(TicksNeeded(*js));
  js->SlotBusy[7] = 1;
  EXPECT_TRUE(TicksNeeded(*js));
  js->SlotBusy[7] = 0;
  js->SlotDownloading[3] = 1;
  EXPECT_TRUE(TicksNeeded(*js));
  js->SlotDownloading[3] = 0;
  js->ReadStreaming = 1;
  EXPECT_TRUE(TicksNeeded(*js));
  js->ReadStreaming = 0;
  // A count left behind on an idle slot (the search's probe) needs no tick.
  js->SlotTimeout[1] = 500;
  EXPECT_FALSE(TicksNeeded(*js));
}

TEST_F(PacingTest, NothingToPaceChangesNothing) {
  PaceDownloads(*js);
  for (const auto& port : ports) EXPECT_TRUE(port.sent.empty());
  EXPECT_TRUE(view.log.empty());
}

}  // namespace
