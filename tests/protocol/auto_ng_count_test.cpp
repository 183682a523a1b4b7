// OK and NG counts of the host-driven Auto: every chip that fails in Auto,
// at whatever step and in whatever way, counts NG once; other commands count
// nothing. Operations start as the window's commands start them and run
// through the real answer handling and timers.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "AnswerFixture.h"
#include "protocol/OperationStart.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"

namespace {

using Texts = std::vector<std::string>;

constexpr uint8_t kFlashFamily = 0x10;

struct CountFixture : AnswerFixture {
  // A flash chip of `kb` kilobytes whose image goes out by pages, or as the
  // paced stream when `large`.
  void UseImage(uint32_t kb, bool large) {
    js->ChipFamily = kFlashFamily;
    js->DataSizeKB = kb;
    js->LargeImage = large;
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) TickSlotTimeouts(*js);
  }
  // The slot's stream has begun and its first block is out.
  void StreamStarted(int slot) {
    AnswerStatus(slot, 0);
    ASSERT_EQ(js->SlotDownloading[slot], 1);
    PaceDownloads(*js);
  }
  void LoseLine(int slot) {
    ports[slot].open = false;
    PaceDownloads(*js);
  }
  // The slot's last `n` log texts.
  Texts LastTexts(int slot, size_t n) const {
    Texts all = SlotTexts(slot);
    if (all.size() < n) return all;
    return Texts(all.end() - static_cast<long>(n), all.end());
  }
  // Everything that could end the slot's operation a second time: late
  // answers, the clock, the pacing over a closed line.
  void Aftermath(int slot) {
    AnswerStatus(slot, 0x2D);
    Answer(slot, StatusPayload(0), true);
    Ticks(2000);
    ports[slot].open = false;
    PaceDownloads(*js);
  }
};

// --- The steps of the cases --------------------------------------------------------

using Step = std::function<void(CountFixture&)>;

Step Steps(std::vector<Step> steps) {
  return [steps](CountFixture& f) {
    for (const Step& step : steps) step(f);
  };
}
Step GoodAnswers(int slot, int n) {
  return [slot, n](CountFixture& f) {
    for (int i = 0; i < n; ++i) f.AnswerStatus(slot, i % 2 ? 6 : 0);  // both good
  };
}
Step Status(int slot, uint8_t status) {
  return [slot, status](CountFixture& f) { f.AnswerStatus(slot, status); };
}
Step WrongCheckValue(int slot) {
  return [slot](CountFixture& f) { f.Answer(slot, StatusPayload(0), true); };
}
Step TimeOut() {
  return [](CountFixture& f) { f.Ticks(8 / 3 + 500); };  // the longest count armed here
}
Step StreamStarted(int slot) {
  return [slot](CountFixture& f) { f.StreamStarted(slot); };
}
Step LineLost(int slot) {
  return [slot](CountFixture& f) { f.LoseLine(slot); };
}
// `ticks` ticks of the pacing: the next blocks, then the step after them.
Step Pace(int ticks) {
  return [ticks](CountFixture& f) {
    for (int i = 0; i < ticks; ++i) PaceDownloads(*f.js);
  };
}

// --- Each way an Auto fails --------------------------------------------------------

constexpr int kSlot = 4;  // logs as C5

struct AutoFailure {
  const char* name;
  bool erase;  // Auto begins with the erase
  bool large;  // the image goes out as the paced stream
  Step reach;  // the answers that bring the Auto to the failing step
  uint8_t opThere;
  Step fail;
  Texts ending;  // the slot's last log texts
};
void PrintTo(const AutoFailure& c, std::ostream* os) { *os << c.name; }

struct AutoFailureTest : CountFixture, ::testing::WithParamInterface<AutoFailure> {};

TEST_P(AutoFailureTest, CountsTheChipNgOnce) {
  const AutoFailure& c = GetParam();
  UseImage(c.large ? 64 : 8, c.large);
  StartSlotCommand(*js, SlotCommand::Auto, c.erase, kSlot);
  c.reach(*this);
  ASSERT_EQ(js->SlotOp[kSlot], c.opThere);
  c.fail(*this);

  EXPECT_EQ(LastTexts(kSlot, c.ending.size()), c.ending);
  EXPECT_EQ(js->SlotOp[kSlot], kOpIdle);
  EXPECT_EQ(view.gauges[kSlot].color, GaugeColor::Red);
  EXPECT_EQ(js->SlotNgCount[kSlot], 1);
  EXPECT_EQ(js->NgCount, 1);
  EXPECT_EQ(view.panels[3], "1");
  EXPECT_EQ(js->OkCount, 0);
  EXPECT_EQ(view.panels[2], "");

  Aftermath(kSlot);
  EXPECT_EQ(js->NgCount, 1);
  EXPECT_EQ(view.panels[3], "1");
  for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(js->SlotNgCount[s], s == kSlot ? 1 : 0) << s;
}

Texts FailedWith(const char* text) { return {"Operation Failed!", text}; }
const Texts kTimedOut = {"Operation Time Out!", "Operation Failed!"};

INSTANTIATE_TEST_SUITE_P(
    Auto, AutoFailureTest,
    ::testing::Values(
        AutoFailure{"ErrorStatusOnTheErase", true, false, GoodAnswers(kSlot, 0), kOpErase,
                    Status(kSlot, 0x2C), FailedWith("Flash Memory Error!")},
        AutoFailure{"TimeOutOfTheErase", true, false, GoodAnswers(kSlot, 0), kOpErase, TimeOut(), kTimedOut},
        AutoFailure{"WrongCheckValueOnAProgramPage", false, false, GoodAnswers(kSlot, 1), kOpProgram149,
                    WrongCheckValue(kSlot), FailedWith("Packet error!")},
        AutoFailure{"ErrorStatusOnAProgramPageAfterTheErase", true, false, GoodAnswers(kSlot, 1),
                    kOpProgram149, Status(kSlot, 0x2D), FailedWith("Write Flash Memory Error!")},
        AutoFailure{"FailedVerify", false, false, GoodAnswers(kSlot, 2), kOpVerify, Status(kSlot, 0x31),
                    FailedWith("Data verify error!")},
        AutoFailure{"TimeOutOfTheVerify", false, false, GoodAnswers(kSlot, 2), kOpVerify, TimeOut(),
                    kTimedOut},
        AutoFailure{"ErrorStatusDuringTheStream", false, true, StreamStarted(kSlot), kOpIdle,
                    Status(kSlot, 0x2D), FailedWith("Write Flash Memory Error!")},
        AutoFailure{"LineLostDuringTheStream", false, true, StreamStarted(kSlot), kOpIdle, LineLost(kSlot),
                    {"Connection to the unit lost!", "Operation Failed!"}},
        AutoFailure{"ErrorStatusOnTheStreamsVerify", false, true, Steps({StreamStarted(kSlot), Pace(2)}),
                    kOpVerify, Status(kSlot, 0x31), FailedWith("Data verify error!")}),
    [](const ::testing::TestParamInfo<AutoFailure>& info) { return std::string(info.param.name); });

// --- Other commands ------------------------------------------------------------------

struct OtherFailure {
  const char* name;
  bool large;
  Step start;  // on slot 0
  Step fail;
};
void PrintTo(const OtherFailure& c, std::ostream* os) { *os << c.name; }

struct OtherFailureTest : CountFixture, ::testing::WithParamInterface<OtherFailure> {};

TEST_P(OtherFailureTest, CountsNothing) {
  const OtherFailure& c = GetParam();
  UseImage(c.large ? 64 : 8, c.large);
  c.start(*this);
  c.fail(*this);
  const Texts texts = SlotTexts(0);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Operation Failed!"), texts.end());
  EXPECT_EQ(view.gauges[0].color, GaugeColor::Red);
  EXPECT_EQ(js->NgCount, 0);
  EXPECT_EQ(js->SlotNgCount[0], 0);
  EXPECT_EQ(view.panels[3], "");
}

Step Command(SlotCommand command) {
  return [command](CountFixture& f) { StartSlotCommand(*f.js, command, true, 0); };
}

INSTANTIATE_TEST_SUITE_P(
    Commands, OtherFailureTest,
    ::testing::Values(
        OtherFailure{"EraseWithAnErrorStatus", false, Command(SlotCommand::Erase), Status(0, 0x2C)},
        OtherFailure{"ProgramTimedOut", false, Command(SlotCommand::Program), TimeOut()},
        OtherFailure{"ProgramStreamWithItsLineLost", true, Command(SlotCommand::Program),
                     Steps({StreamStarted(0), LineLost(0)})},
        OtherFailure{"VerifyFailed", false, Command(SlotCommand::Verify), Status(0, 0x31)},
        OtherFailure{"BlankCheckWithAnErrorStatus", false, Command(SlotCommand::BlankCheck), Status(0, 0x60)},
        OtherFailure{"DownloadWithAWrongCheckValue", false, Command(SlotCommand::Download), WrongCheckValue(0)},
        OtherFailure{"ReadWithAnErrorStatus", false, [](CountFixture& f) { StartChipRead(*f.js, 8); },
                     Status(0, 0x2C)},
        OtherFailure{"ReadIdTimedOut", false, [](CountFixture& f) { StartReadId(*f.js, false); }, TimeOut()}),
    [](const ::testing::TestParamInfo<OtherFailure>& info) { return std::string(info.param.name); });

// A verified chip still counts OK only; the Auto is over with it, so a read
// that fails on the same slot afterwards is no failed chip.
TEST_F(CountFixture, AGoodAutoCountsOkAndLeavesNothingForTheNextCommand) {
  UseImage(8, false);
  StartSlotCommand(*js, SlotCommand::Auto, false, 0);
  AnswerStatus(0, 0);
  AnswerStatus(0, 0);
  AnswerStatus(0, 0);  // verified
  EXPECT_EQ(js->OkCount, 1);
  EXPECT_EQ(view.panels[2], "Burn OK, Total: 1");
  EXPECT_EQ(js->NgCount, 0);

  StartChipRead(*js, 8);
  AnswerStatus(0, 0x2C);
  EXPECT_EQ(SlotTexts(0).back(), "Flash Memory Error!");
  EXPECT_EQ(js->NgCount, 0);
  EXPECT_EQ(view.panels[3], "");
}

// The units' own completion reports and the host's Auto add to one total.
TEST_F(CountFixture, FailedAutosAndFailedSequenceReportsShareTheTotal) {
  UseImage(8, false);
  StartSlotCommand(*js, SlotCommand::Auto, false, 1);
  AnswerStatus(1, 0x2D);
  // A failed completion (status 0x31); the check byte makes the eight bytes add up to 0.
  const uint8_t report[8] = {0xFD, 0xF0, 0x31, 0, 0, 0, 0, 0xE2};
  std::copy(std::begin(report), std::end(report), js->TxPacket[6].begin());
  RunProgrammingSequence(*js, 6);
  StartSlotCommand(*js, SlotCommand::Auto, false, 1);
  Ticks(500);

  EXPECT_EQ(js->SlotNgCount[1], 2);
  EXPECT_EQ(js->SlotNgCount[6], 1);
  EXPECT_EQ(js->NgCount, 3);
  EXPECT_EQ(view.panels[3], "3");
  EXPECT_EQ(SlotTexts(6).back(), "OK=0, NG=1.");
}

}  // namespace
