#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <ostream>

#include "SlotFixture.h"
#include "protocol/SlotOperations.h"

namespace {

// Puts a sequence report into the slot's receive packet area; the check byte makes
// bytes 0..7 add up to 0 unless `checkError` is given.
void PutReport(JobState& js, int slot, uint8_t step, uint8_t status, uint16_t a, uint16_t b,
               uint8_t checkError = 0) {
  auto& p = js.RxPacket[slot];
  p[0] = 0xFD;
  p[1] = step;
  p[2] = status;
  p[3] = a & 0xFF;
  p[4] = a >> 8;
  p[5] = b & 0xFF;
  p[6] = b >> 8;
  uint8_t sum = 0;
  for (int i = 0; i < 7; ++i) sum += p[i];
  p[7] = static_cast<uint8_t>(-sum + checkError);
}

struct StepCase {
  const char* name;
  uint8_t step;
  uint16_t a, b;
  int32_t seqPosBefore, seqTotalBefore;
  std::optional<std::string> line;
  int progress, max;
  GaugeColor color;  // the gauge starts red
};
void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

class SequenceStepTest : public SlotFixture, public ::testing::WithParamInterface<StepCase> {};

TEST_P(SequenceStepTest, LogsTheStepAndMovesTheGauge) {
  const StepCase& c = GetParam();
  const int slot = 6;
  js->SlotSeqPos[slot] = c.seqPosBefore;
  js->SlotSeqTotal[slot] = c.seqTotalBefore;
  js->SlotBusy[slot] = 1;
  js->SlotOp[slot] = kOpVerify;
  view.gauges[slot] = FakeGauge{};
  view.gauges[slot].color = GaugeColor::Red;

  PutReport(*js, slot, c.step, 0, c.a, c.b);
  RunProgrammingSequence(*js, js->RxPacket[slot], slot);

  if (c.line) {
    EXPECT_EQ(view.LogTexts(), std::vector<std::string>{SlotText(slot, *c.line)});
  } else {
    EXPECT_TRUE(view.log.empty());
  }
  EXPECT_EQ(view.gauges[slot].progress, c.progress);
  EXPECT_EQ(view.gauges[slot].max, c.max);
  EXPECT_EQ(view.gauges[slot].color, c.color);
  EXPECT_EQ(js->SlotBusy[slot], 1);
  EXPECT_EQ(js->SlotOp[slot], kOpVerify);
  EXPECT_EQ(js->OkCount + js->NgCount, 0);
}

constexpr auto Red = GaugeColor::Red;
constexpr auto Blue = GaugeColor::Blue;

INSTANTIATE_TEST_SUITE_P(
    Steps, SequenceStepTest,
    ::testing::Values(
        StepCase{"Init", 0x10, 0x0010, 0x0002, 0, 0, "Initial Programming Interface ....", 5, 100, Blue},
        StepCase{"BlankCheck", 0x20, 9, 9, 0, 0, "Chip Blank Checking....", 50, 100, Red},
        StepCase{"Erase", 0x30, 9, 9, 0, 0, "Do Chip Erasing....", 50, 100, Red},
        StepCase{"ProgramFirst", 0x40, 0, 200, 0, 0, "Do Main Flash Programming....", 2, 200, Blue},
        StepCase{"ProgramLater", 0x40, 10, 200, 0, 0, std::nullopt, 12, 200, Blue},
        StepCase{"ProgramWholeFirst", 0x48, 1, 1, 0, 0, "Do Main Flash Programming....", 50, 100, Blue},
        StepCase{"ProgramWholeLater", 0x48, 1, 1, 5, 0, std::nullopt, 50, 100, Blue},
        StepCase{"EepFirst", 0x50, 0, 64, 0, 0, "Do EEP Data Programming....", 2, 64, Red},
        StepCase{"EepLater", 0x50, 3, 64, 0, 0, std::nullopt, 5, 64, Red},
        StepCase{"Verify", 0x70, 9, 9, 0, 0, "Do Main Flash Verification....", 80, 100, Red},
        StepCase{"VerifyFirst", 0x78, 0, 0, 7, 1000, "Do Main Flash Verification....", 1, 1000, Red},
        StepCase{"VerifyLater", 0x78, 99, 0, 0, 1000, std::nullopt, 100, 1000, Red},
        StepCase{"VerifyHighWord", 0x78, 0, 1, 0, 0x30000, std::nullopt, 0x10001, 0x30000, Red},
        StepCase{"EepVerify", 0x80, 9, 9, 0, 0, "Do EEP Data Verification....", 50, 100, Red},
        StepCase{"Config", 0xA0, 9, 9, 0, 0, "Do Chip Config Data Programming....", 50, 100, Red},
        // A fresh gauge (0 of 100) stays as it is for unknown steps.
        StepCase{"Unknown", 0x55, 0, 0, 0, 0, std::nullopt, 0, 100, Red},
        // Maxima of 0 or below from the unit reach the gauge as 1.
        StepCase{"ZeroMaximum", 0x40, 5, 0, 0, 0, std::nullopt, 1, 1, Blue},
        StepCase{"EepZeroMaximum", 0x50, 0, 0, 0, 0, "Do EEP Data Programming....", 1, 1, Red},
        StepCase{"NegativeTotal", 0x78, 4, 0, 0, -5, std::nullopt, 1, 1, Red},
        // The largest position: +1 must not overflow.
        StepCase{"LargestPosition", 0x78, 0xFFFF, 0x7FFF, 0, INT_MAX, std::nullopt, INT_MAX, INT_MAX, Red},
        StepCase{"PositionBeyondTotal", 0x78, 500, 0, 0, 100, std::nullopt, 100, 100, Red}),
    [](const auto& info) { return std::string(info.param.name); });

using SequenceReport = SlotFixture;

TEST_F(SequenceReport, InitKeepsTheWholeCountAndVerifyReportsRunAgainstIt) {
  PutReport(*js, 0, 0x10, 0, 0x5678, 0x0001);
  RunProgrammingSequence(*js, js->RxPacket[0], 0);
  EXPECT_EQ(js->SlotSeqTotal[0], 0x15678);

  PutReport(*js, 0, 0x78, 0, 0x2000, 0x0001);
  RunProgrammingSequence(*js, js->RxPacket[0], 0);
  EXPECT_EQ(js->SlotSeqPos[0], 0x12000);
  EXPECT_EQ(view.gauges[0].max, 0x15678);
  EXPECT_EQ(view.gauges[0].progress, 0x12001);
}

TEST_F(SequenceReport, InitWithHighBitSetGivesANegativeTotalThatTheGaugeNeverSees) {
  PutReport(*js, 1, 0x10, 0, 0, 0x8000);
  RunProgrammingSequence(*js, js->RxPacket[1], 1);
  EXPECT_EQ(js->SlotSeqTotal[1], INT_MIN);
  PutReport(*js, 1, 0x78, 0, 3, 0);
  RunProgrammingSequence(*js, js->RxPacket[1], 1);
  EXPECT_EQ(view.gauges[1].max, 1);
  EXPECT_EQ(view.gauges[1].progress, 1);
}

TEST_F(SequenceReport, Completion32ShowsTheCheckValueAndCountsTheChipGood) {
  view.gauges[2].max = 300;
  PutReport(*js, 2, 0xF2, 6, 0x5678, 0x1234);
  RunProgrammingSequence(*js, js->RxPacket[2], 2);

  EXPECT_EQ(view.LogTexts(),
            (std::vector<std::string>{SlotText(2, "Progrmming Completed : Successed!,Chip CRC32=0x12345678."),
                                      SlotText(2, "OK=1, NG=0.")}));
  EXPECT_EQ(js->SlotOkCount[2], 1);
  EXPECT_EQ(js->SlotNgCount[2], 0);
  EXPECT_EQ(js->OkCount, 1);
  EXPECT_EQ(view.panels[2], "1");
  EXPECT_EQ(view.panels[3], "");
  EXPECT_EQ(view.gauges[2].progress, 300);
  EXPECT_EQ(view.gauges[2].color, GaugeColor::Blue);
}

TEST_F(SequenceReport, Completion16ShowsCrcThenSumInUpperCase) {
  PutReport(*js, 0, 0xF0, 6, 0xABCD, 0x00EF);
  RunProgrammingSequence(*js, js->RxPacket[0], 0);
  EXPECT_EQ(view.LogTexts().front(),
            SlotText(0, "Progrmming Completed : Successed!,Chip CRC16=0xABCDm,ACC16=0x00EF."));
  EXPECT_EQ(js->OkCount, 1);
}

TEST_F(SequenceReport, FailedCompletionReddensTheGaugeAndCountsTheChipBad) {
  view.gauges[3].max = 80;
  PutReport(*js, 3, 0xF2, 0x31, 0x5678, 0x1234);
  RunProgrammingSequence(*js, js->RxPacket[3], 3);

  EXPECT_EQ(view.LogTexts(), (std::vector<std::string>{SlotText(3, "Progrmming Completed : Failed : Error=0x31!"),
                                                       SlotText(3, "OK=0, NG=1.")}));
  EXPECT_EQ(view.gauges[3].color, GaugeColor::Red);
  EXPECT_EQ(view.gauges[3].progress, 80);
  EXPECT_EQ(js->SlotNgCount[3], 1);
  EXPECT_EQ(js->NgCount, 1);
  EXPECT_EQ(view.panels[3], "1");
  EXPECT_EQ(view.panels[2], "");
}

TEST_F(SequenceReport, CountsArePerSlotAndInTotal) {
  auto complete = [&](int slot, uint8_t status) {
    PutReport(*js, slot, 0xF0, status, 0, 0);
    RunProgrammingSequence(*js, js->RxPacket[slot], slot);
  };
  js->OkCount = 10;  // verified chips of the Auto sequence count here too
  complete(0, 6);
  complete(1, 0x2D);
  complete(0, 6);
  complete(1, 6);
  EXPECT_EQ(js->SlotOkCount[0], 2);
  EXPECT_EQ(js->SlotNgCount[0], 0);
  EXPECT_EQ(js->SlotOkCount[1], 1);
  EXPECT_EQ(js->SlotNgCount[1], 1);
  EXPECT_EQ(js->OkCount, 13);
  EXPECT_EQ(js->NgCount, 1);
  EXPECT_EQ(view.panels[2], "13");
  EXPECT_EQ(view.panels[3], "1");
  EXPECT_EQ(view.LogTexts().back(), SlotText(1, "OK=1, NG=1."));
}

TEST_F(SequenceReport, BadCheckByteIsDroppedWithoutAWord) {
  for (uint8_t error : {1, 0x80, 0xFF}) {
    PutReport(*js, 4, 0xF2, 6, 0x5678, 0x1234, error);
    RunProgrammingSequence(*js, js->RxPacket[4], 4);
    PutReport(*js, 4, 0x10, 0, 1, 1, error);
    RunProgrammingSequence(*js, js->RxPacket[4], 4);
  }
  EXPECT_TRUE(view.log.empty());
  EXPECT_EQ(js->OkCount, 0);
  EXPECT_EQ(js->SlotOkCount[4], 0);
  EXPECT_EQ(js->SlotSeqTotal[4], 0);
  EXPECT_EQ(view.gauges[4].progress, 0);
  EXPECT_EQ(view.panels[2], "");
}

TEST_F(SequenceReport, OtherSlotsAreUntouched) {
  PutReport(*js, 5, 0xF2, 0x31, 0, 0);
  RunProgrammingSequence(*js, js->RxPacket[5], 5);
  for (int i = 0; i < kSlotCount; ++i) {
    if (i == 5) continue;
    EXPECT_EQ(js->SlotNgCount[i], 0);
    EXPECT_EQ(view.gauges[i].color, GaugeColor::Blue);
  }
}

TEST_F(SequenceReport, SlotWithoutGaugeStillLogsAndCounts) {
  js->GaugeSlots[7] = nullptr;
  PutReport(*js, 7, 0x40, 0, 0, 10);
  RunProgrammingSequence(*js, js->RxPacket[7], 7);
  PutReport(*js, 7, 0xF2, 0x31, 0, 0);
  RunProgrammingSequence(*js, js->RxPacket[7], 7);
  EXPECT_EQ(js->SlotNgCount[7], 1);
  EXPECT_EQ(view.log.size(), 3u);
}

}  // namespace
