// OK and NG counts of the host-driven Auto: every chip that fails in Auto,
// at whatever step and in whatever way, counts NG once in the total; other
// commands count nothing. The per-slot counts are the units' own. Operations start as the window's commands start them and run
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
  SlotOpCode opThere;
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
  EXPECT_EQ(js->NgCount, 1);
  EXPECT_EQ(view.panels[3], "1");
  EXPECT_EQ(js->OkCount, 0);
  EXPECT_EQ(view.panels[2], "");

  Aftermath(kSlot);
  EXPECT_EQ(js->NgCount, 1);
  EXPECT_EQ(view.panels[3], "1");
  // The unit reported nothing of its own.
  for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(js->SlotNgCount[s], 0) << s;
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

// The units' own completion reports and the host's Auto add to one total;
// the per-slot counts keep the units' own reports only.
TEST_F(CountFixture, FailedAutosAndFailedSequenceReportsShareTheTotal) {
  UseImage(8, false);
  StartSlotCommand(*js, SlotCommand::Auto, false, 1);
  AnswerStatus(1, 0x2D);
  // A failed completion (status 0x31); the check byte makes the eight bytes add up to 0.
  const uint8_t report[8] = {0xFD, 0xF0, 0x31, 0, 0, 0, 0, 0xE2};
  RunProgrammingSequence(*js, report, 6);
  StartSlotCommand(*js, SlotCommand::Auto, false, 1);
  Ticks(500);

  EXPECT_EQ(js->SlotNgCount[1], 0);
  EXPECT_EQ(js->SlotNgCount[6], 1);
  EXPECT_EQ(js->NgCount, 3);
  EXPECT_EQ(view.panels[3], "3");
  EXPECT_EQ(SlotTexts(6).back(), "OK=0, NG=1.");
}

// --- Each chip counted once, whoever drives the slot -----------------------------

// The unit's completion report (0xF0 or 0xF2) for the slot, its check byte
// making the eight bytes add up to 0.
std::vector<uint8_t> Completion(uint8_t step, uint8_t status) {
  std::vector<uint8_t> r = {0xFD, step, status, 0x34, 0x12, 0x78, 0x56, 0};
  uint8_t sum = 0;
  for (uint8_t b : r) sum = static_cast<uint8_t>(sum + b);
  r[7] = static_cast<uint8_t>(-sum);
  return r;
}

struct ChipCount {
  const char* name;
  bool hostAuto;              // the host runs Auto on the slot; else the unit runs alone
  uint8_t verifyStatus;       // the Auto's verify answer
  std::vector<uint8_t> steps;  // the unit's completion reports, in order
  uint8_t reportStatus;
  int reportsAfter;           // answers of the Auto before the reports come (1: before the last page's)
  int ok, ng;                 // the totals
  int slotOk, slotNg;         // the unit's own counts
  const char* okPanel;
};
void PrintTo(const ChipCount& c, std::ostream* os) { *os << c.name; }

struct ChipCountTest : CountFixture, ::testing::WithParamInterface<ChipCount> {};

TEST_P(ChipCountTest, CountsTheChipOnce) {
  const ChipCount& c = GetParam();
  constexpr int slot = 2;
  UseImage(8, false);  // two pages, then the verify
  auto reports = [&] {
    for (uint8_t step : c.steps) Deliver(Completion(step, c.reportStatus), slot);
  };
  if (c.hostAuto) {
    StartSlotCommand(*js, SlotCommand::Auto, false, slot);
    for (int answer = 0; answer < 3; ++answer) {
      if (answer == c.reportsAfter) reports();
      AnswerStatus(slot, answer == 2 ? c.verifyStatus : 0);
    }
    ASSERT_EQ(js->SlotOp[slot], kOpIdle);
  } else {
    reports();
  }

  EXPECT_EQ(js->OkCount, c.ok);
  EXPECT_EQ(js->NgCount, c.ng);
  EXPECT_EQ(js->SlotOkCount[slot], c.slotOk);
  EXPECT_EQ(js->SlotNgCount[slot], c.slotNg);
  EXPECT_EQ(view.panels[2], c.okPanel);
  EXPECT_EQ(view.panels[3], c.ng ? std::to_string(c.ng) : "");
  // Every report is logged, each with the unit's own counts behind it.
  const Texts texts = SlotTexts(slot);
  const auto completions = std::count_if(texts.begin(), texts.end(), [](const std::string& t) {
    return t.rfind("Progrmming Completed : ", 0) == 0;
  });
  EXPECT_EQ(completions, static_cast<long>(c.steps.size()));
  const std::string counts = "OK=" + std::to_string(c.slotOk) + ", NG=" + std::to_string(c.slotNg) + ".";
  EXPECT_EQ(std::count(texts.begin(), texts.end(), counts), static_cast<long>(c.steps.size()));
  Aftermath(slot);
  EXPECT_EQ(js->OkCount, c.ok);
  EXPECT_EQ(js->NgCount, c.ng);
}

const std::vector<uint8_t> kNone;
const std::vector<uint8_t> k16{0xF0};
const std::vector<uint8_t> k32{0xF2};
const std::vector<uint8_t> kBoth{0xF0, 0xF2};

INSTANTIATE_TEST_SUITE_P(
    Reports, ChipCountTest,
    ::testing::Values(
        // name, hostAuto, verify, steps, report status, after, ok, ng, slotOk, slotNg, panel 2
        ChipCount{"UnitAlonePasses", false, 0, k16, 6, 0, 1, 0, 1, 0, "1"},
        ChipCount{"UnitAloneFails", false, 0, k32, 0x31, 0, 0, 1, 0, 1, ""},
        ChipCount{"AutoPassesWithoutReports", true, 0, kNone, 6, 0, 1, 0, 0, 0, "Burn OK, Total: 1"},
        ChipCount{"AutoPassesWithOneReport", true, 0, k16, 6, 1, 1, 0, 0, 0, "Burn OK, Total: 1"},
        ChipCount{"AutoPassesWithTheReportDuringTheVerify", true, 6, k32, 6, 2, 1, 0, 0, 0,
                  "Burn OK, Total: 1"},
        ChipCount{"AutoPassesWithBothReports", true, 0, kBoth, 6, 1, 1, 0, 0, 0, "Burn OK, Total: 1"},
        ChipCount{"AutoFailsWithoutReports", true, 0x31, kNone, 6, 0, 0, 1, 0, 0, ""},
        ChipCount{"AutoFailsWithOneFailedReport", true, 0x31, k16, 0x31, 1, 0, 1, 0, 0, ""},
        ChipCount{"AutoFailsWithBothReportsGood", true, 0x31, kBoth, 6, 1, 0, 1, 0, 0, ""},
        ChipCount{"AutoFailsWithBothReportsFailed", true, 0x31, kBoth, 0x31, 2, 0, 1, 0, 0, ""}),
    [](const ::testing::TestParamInfo<ChipCount>& info) { return std::string(info.param.name); });

// A report the unit made of its own run stays its own through a host's Auto
// that fails on the same slot: the counts line still says one good chip.
TEST_F(CountFixture, TheUnitsOwnCountsStayItsOwnThroughAHostsAuto) {
  UseImage(8, false);
  Deliver(Completion(0xF0, 6), 3);
  StartSlotCommand(*js, SlotCommand::Auto, false, 3);
  AnswerStatus(3, 0);
  Deliver(Completion(0xF0, 6), 3);
  Deliver(Completion(0xF2, 6), 3);
  AnswerStatus(3, 0);
  AnswerStatus(3, 0x31);  // the verify fails
  EXPECT_EQ(js->SlotOkCount[3], 1);
  EXPECT_EQ(js->SlotNgCount[3], 0);
  EXPECT_EQ(js->OkCount, 1);
  EXPECT_EQ(js->NgCount, 1);
  const Texts texts = SlotTexts(3);
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "OK=1, NG=0."), 3);
}

}  // namespace
