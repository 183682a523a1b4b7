// A unit whose line fails while it runs: whatever the slot runs ends at
// once as failed with the cause, and nothing later ends it again.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "AnswerFixture.h"
#include "protocol/OperationStart.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotPhase.h"
#include "protocol/SlotSearch.h"
#include "protocol/SlotTimers.h"

namespace {

using Texts = std::vector<std::string>;

constexpr uint8_t kFlashFamily = 0x10;
const Texts kLost = {"Connection to the unit lost!", "Operation Failed!"};

struct LostLineFixture : AnswerFixture {
  void UseImage(uint32_t kb, bool large) {
    js->ChipFamily = kFlashFamily;
    js->ChipSizeCopy = kb * 1024;
    js->DataSizeKB = kb;
    js->DataEnd = kb * 1024 - 1;
    js->LargeImage = large;
    js->DataLoaded = 1;
  }
  void GoodAnswers(int slot, int n) {
    for (int i = 0; i < n; ++i) AnswerStatus(slot, 0);
  }
  // The port closes as the window closes it on a hang-up.
  void LoseLine(int slot) {
    ports[slot].open = false;
    LoseSlotLine(*js, slot);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) TickSlotTimeouts(*js);
  }
  Texts LastTexts(int slot, size_t n) const {
    Texts all = SlotTexts(slot);
    if (all.size() < n) return all;
    return Texts(all.end() - static_cast<long>(n), all.end());
  }
};

using Step = std::function<void(LostLineFixture&, int slot)>;

struct RunningState {
  const char* name;
  int slot;
  uint32_t kb;
  bool large;
  Step start;  // brings the slot into the state
  SlotPhase phase;
  SlotOpCode op;
  bool autoChip;      // the chip of an Auto: counts NG
  bool partReadLine;  // a read that stored part of the chip into the buffer
};
void PrintTo(const RunningState& c, std::ostream* os) { *os << c.name; }

Step Command(SlotCommand command, bool erase, int goodAnswers = 0) {
  return [=](LostLineFixture& f, int slot) {
    StartSlotCommand(*f.js, command, erase, slot);
    f.GoodAnswers(slot, goodAnswers);
  };
}
Step Stream(SlotCommand command) {
  return [=](LostLineFixture& f, int slot) {
    StartSlotCommand(*f.js, command, false, slot);
    f.StreamStarted(slot);
  };
}

const RunningState kStates[] = {
    {"ProgramByPages", 3, 16, false, Command(SlotCommand::Program, false, 1), SlotPhase::Busy, kOpProgram149,
     false, false},
    {"AutoByPages", 3, 16, false, Command(SlotCommand::Auto, false, 1), SlotPhase::Busy, kOpProgram149, true,
     false},
    {"AutoErase", 5, 16, false, Command(SlotCommand::Auto, true), SlotPhase::Busy, kOpErase, true, false},
    {"VerifyEndingAnAuto", 2, 8, false, Command(SlotCommand::Auto, false, 2), SlotPhase::Busy, kOpVerify, true,
     false},
    {"BlankCheck", 7, 16, false, Command(SlotCommand::BlankCheck, false), SlotPhase::Busy, kOpBlankCheck, false,
     false},
    {"ProgramByPacedStream", 4, 128, true, Stream(SlotCommand::Program), SlotPhase::Sending, kOpIdle, false,
     false},
    {"AutoByPacedStream", 6, 128, true, Stream(SlotCommand::Auto), SlotPhase::Sending, kOpIdle, true, false},
    {"DownloadByPages", 1, 16, false, Command(SlotCommand::Download, false, 1), SlotPhase::Busy,
     kOpDownloadPages, false, false},
    {"DownloadRawRound", 1, 128, true, Command(SlotCommand::Download, false, 2), SlotPhase::Busy, kOpDownloadRaw,
     false, false},
    {"ReadByBlocks", 0, 16, false,
     [](LostLineFixture& f, int) {
       StartChipRead(*f.js, 16);
       f.Answer(0, std::vector<uint8_t>(4096, 0x3C));  // the first block
     },
     SlotPhase::Busy, kOpReadChip155, false, true},
    {"StreamedRead", 0, 128, true,
     [](LostLineFixture& f, int) {
       f.js->ReadLength = 128 * 1024;
       StartChipRead(*f.js, 128);
       f.AnswerStatus(0, 0);
       f.Receive(std::vector<uint8_t>(3000, 0x42), 0);
     },
     SlotPhase::Reading, kOpIdle, false, true},
};

struct LostLineTest : LostLineFixture, ::testing::WithParamInterface<RunningState> {};

TEST_P(LostLineTest, EndsTheRunningOperationAtOnceAsFailed) {
  const RunningState& c = GetParam();
  UseImage(c.kb, c.large);
  if (c.op == kOpDownloadRaw) js->LargeDownload = 1;
  c.start(*this, c.slot);
  ASSERT_EQ(SlotPhaseOf(*js, c.slot), c.phase);
  ASSERT_EQ(js->SlotOp[c.slot], c.op);
  ASSERT_TRUE(SlotTexts(c.slot).empty() || SlotTexts(c.slot).back() != "Operation Failed!");
  const int other = c.slot == 0 ? 1 : 0;  // a unit that goes on working
  StartSlotCommand(*js, SlotCommand::BlankCheck, false, other);

  LoseLine(c.slot);

  Texts ending = kLost;
  if (c.partReadLine) ending.push_back("Read not completed: the data buffer no longer holds loaded data!");
  EXPECT_EQ(LastTexts(c.slot, ending.size()), ending);
  EXPECT_EQ(SlotPhaseOf(*js, c.slot), SlotPhase::Absent);
  EXPECT_FALSE(SlotRunning(*js, c.slot));
  EXPECT_EQ(js->SlotOp[c.slot], kOpIdle);
  EXPECT_EQ(js->SlotConnected[c.slot], 0);
  EXPECT_EQ(view.gauges[c.slot].color, GaugeColor::Red);
  EXPECT_EQ(view.gauges[c.slot].progress, view.gauges[c.slot].max);
  EXPECT_FALSE(view.gauges[c.slot].enabled);
  EXPECT_EQ(js->SlotNgCount[c.slot], 0);  // the unit reported no chip of its own
  EXPECT_EQ(js->NgCount, c.autoChip ? 1 : 0);
  EXPECT_EQ(view.panels[3], c.autoChip ? "1" : "");
  if (c.partReadLine) {
    EXPECT_EQ(js->DataLoaded, 0);
  }
  ExpectSlotFlagsConsistent(*js);
  // The other unit is untouched.
  EXPECT_EQ(js->SlotOp[other], kOpBlankCheck);
  EXPECT_EQ(js->SlotBusy[other], 1);

  // Nothing ends the chip a second time: not the clock, not the pacing.
  const size_t sent = ports[c.slot].sent.size();
  const Texts before = SlotTexts(c.slot);
  Ticks(7000);
  PaceDownloads(*js);
  EXPECT_EQ(SlotTexts(c.slot), before);
  EXPECT_EQ(ports[c.slot].sent.size(), sent);
  EXPECT_EQ(js->NgCount, c.autoChip ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(States, LostLineTest, ::testing::ValuesIn(kStates),
                         [](const ::testing::TestParamInfo<RunningState>& info) {
                           return std::string(info.param.name);
                         });

TEST_F(LostLineFixture, AStreamLosingItsLineDropsWhatWaitsForThePort) {
  UseImage(128, true);
  StartSlotCommand(*js, SlotCommand::Program, false, 2);
  StreamStarted(2);
  ports[2].pendingBytes = 20000;
  LoseLine(2);
  EXPECT_EQ(ports[2].drops, 1);
  EXPECT_EQ(ports[2].pendingBytes, 0u);
  EXPECT_EQ(js->SlotDownloading[2], 0);
}

TEST_F(LostLineFixture, AnIdleUnitLosingItsLineReportsNoFailure) {
  view.gauges[5].enabled = true;
  LoseLine(5);
  EXPECT_TRUE(SlotTexts(5).empty());
  EXPECT_EQ(js->SlotConnected[5], 0);
  EXPECT_FALSE(view.gauges[5].enabled);
  EXPECT_EQ(view.gauges[5].color, GaugeColor::Blue);
  EXPECT_EQ(js->NgCount, 0);
}

// --- Refresh and search under running units ------------------------------------------

struct SearchRefusal {
  const char* name;
  std::function<void(JobState&)> run;  // on slot 4, or unit 1 for the streamed read
};
void PrintTo(const SearchRefusal& c, std::ostream* os) { *os << c.name; }

struct SearchRefusalTest : LostLineFixture, ::testing::WithParamInterface<SearchRefusal> {};

TEST_P(SearchRefusalTest, RefusesWhileAUnitRuns) {
  GetParam().run(*js);
  const auto busy = js->SlotBusy, connected = js->SlotConnected, downloading = js->SlotDownloading;
  const auto ops = js->SlotOp;
  EXPECT_TRUE(RefuseSearchWhileRunning(*js));
  EXPECT_EQ(view.boxes,
            Texts{"The units are running, please wait until they finish before refreshing or searching the ports!"});
  EXPECT_EQ(js->SlotBusy, busy);
  EXPECT_EQ(js->SlotConnected, connected);
  EXPECT_EQ(js->SlotOp, ops);
  EXPECT_EQ(js->SlotDownloading, downloading);
}

INSTANTIATE_TEST_SUITE_P(
    States, SearchRefusalTest,
    ::testing::Values(
        SearchRefusal{"Busy",
                      [](JobState& js) {
                        js.SlotBusy[3] = 1;
                        js.SlotOp[3] = kOpVerify;
                      }},
        SearchRefusal{"PacedStream", [](JobState& js) { js.SlotDownloading[3] = 1; }},
        SearchRefusal{"StreamedRead", [](JobState& js) { js.ReadStreaming = 1; }},
        SearchRefusal{"RawRoundPending", [](JobState& js) { js.SlotRawPending[3] = 1; }}),
    [](const ::testing::TestParamInfo<SearchRefusal>& info) { return std::string(info.param.name); });

TEST_F(LostLineFixture, SearchGoesAheadWhenNothingRuns) {
  js->SlotConnected[6] = 0;
  EXPECT_FALSE(RefuseSearchWhileRunning(*js));
  EXPECT_TRUE(view.boxes.empty());
}

}  // namespace
