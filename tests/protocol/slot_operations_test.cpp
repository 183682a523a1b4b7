#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "SlotFixture.h"
#include "protocol/OperationStart.h"
#include "protocol/SealedSettings.h"
#include "protocol/SlotOperations.h"

namespace {

struct StartCase {
  const char* name;
  int32_t ticks;
  uint32_t totalKB;
  uint32_t dataSizeKB;
  uint32_t blockTotal;
  int max;
  int progress;
};
void PrintTo(const StartCase& c, std::ostream* os) { *os << c.name; }

class StartSlotOperationTest : public SlotFixture, public ::testing::WithParamInterface<StartCase> {};

TEST_P(StartSlotOperationTest, ArmsTheSlotAndItsGauge) {
  const StartCase& c = GetParam();
  js->DataSizeKB = c.dataSizeKB;
  SealSlotSettings(*js, 2);  // the size of the command being started
  js->DataSizeKB = 0;        // a later job's size does not reach it
  js->SlotKbIndex[2] = 40;
  view.gauges[2].color = GaugeColor::Red;
  view.gauges[2].progress = 77;

  StartSlotOperation(*js, c.ticks, c.totalKB, 2);

  EXPECT_EQ(js->SlotBusy[2], 1);
  EXPECT_EQ(js->SlotKbIndex[2], 0u);
  EXPECT_EQ(js->SlotTimeout[2], c.ticks);
  EXPECT_EQ(js->SlotBlockTotal[2], c.blockTotal);
  EXPECT_EQ(view.gauges[2].max, c.max);
  EXPECT_EQ(view.gauges[2].progress, c.progress);
  EXPECT_EQ(view.gauges[2].color, GaugeColor::Blue);
  EXPECT_TRUE(view.log.empty());
  for (int other : {0, 1, 3, 7}) EXPECT_EQ(js->SlotBusy[other], 0) << other;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, StartSlotOperationTest,
    ::testing::Values(
        // The gauge follows the time-out when no block count is given.
        StartCase{"TimedGauge", 500, 0, 64, 64, 500, 6},
        StartCase{"BlockGauge", 500, 64, 999, 64, 64, 1},
        StartCase{"VerifyOf2MB", 2048 / 3 + 500, 0, 2048, 2048, 1182, 12},
        StartCase{"LargeBlockCount", 500, 131072, 0, 131072, 131072, 1311},
        // An erase time of 0 gives no time-out range: the gauge still gets one step.
        StartCase{"ZeroTicks", 0, 0, 0, 0, 1, 1},
        StartCase{"NegativeTicks", -20, 0, 8, 8, 1, 1}),
    [](const auto& info) { return std::string(info.param.name); });

class EndSlotOperationTest : public SlotFixture, public ::testing::WithParamInterface<bool> {};

TEST_P(EndSlotOperationTest, ReturnsTheSlotToIdleWithAFullGauge) {
  const bool failed = GetParam();
  StartSlotOperation(*js, 500, 64, 4);
  js->SlotOp[4] = kOpProgram149;
  js->SlotGaugeTick[4] = 1;
  view.gauges[4].color = failed ? GaugeColor::Blue : GaugeColor::Red;

  EndSlotOperation(*js, failed, 4);

  EXPECT_EQ(js->SlotBusy[4], 0);
  EXPECT_EQ(js->SlotGaugeTick[4], 0);
  EXPECT_EQ(js->SlotOp[4], kOpIdle);
  EXPECT_EQ(view.gauges[4].max, 64);
  EXPECT_EQ(view.gauges[4].progress, 64);
  EXPECT_EQ(view.gauges[4].color, failed ? GaugeColor::Red : GaugeColor::Blue);
  ASSERT_EQ(view.log.size(), 1u);
  EXPECT_EQ(view.LogTexts()[0], SlotText(4, failed ? "Operation Failed!" : "Operation Success!"));
}

INSTANTIATE_TEST_SUITE_P(Outcomes, EndSlotOperationTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Failed" : "Succeeded"; });

using SlotOperations = SlotFixture;

TEST_F(SlotOperations, StartThenEndOnTimeAxisLeavesTheTimedGaugeFull) {
  js->DataSizeKB = 64;
  SealSlotSettings(*js, 0);
  StartSlotOperation(*js, 500, 0, 0);
  view.gauges[0].progress = 450;  // the 10 ms timer moved it
  EndSlotOperation(*js, true, 0);
  EXPECT_EQ(view.gauges[0].progress, 500);
  EXPECT_EQ(view.gauges[0].color, GaugeColor::Red);
}

TEST_F(SlotOperations, SlotIndexOutsideTheEightDoesNothing) {
  for (int slot : {-1, 8, 100}) {
    StartSlotOperation(*js, 500, 64, slot);
    EndSlotOperation(*js, true, slot);
  }
  EXPECT_TRUE(view.log.empty());
  for (int i = 0; i < kSlotCount; ++i) {
    EXPECT_EQ(js->SlotBusy[i], 0);
    EXPECT_EQ(js->SlotOp[i], kOpIdle);
  }
}

TEST_F(SlotOperations, SlotsWithoutGaugeStillChangeState) {
  js->GaugeSlots[1] = nullptr;
  StartSlotOperation(*js, 500, 8, 1);
  EXPECT_EQ(js->SlotBusy[1], 1);
  EndSlotOperation(*js, false, 1);
  EXPECT_EQ(js->SlotBusy[1], 0);
  EXPECT_EQ(view.LogTexts().back(), SlotText(1, "Operation Success!"));
}

// Whether the image and the chip may change: only while no slot still has
// image data to send and no read fills the buffer.
TEST_F(SlotOperations, ImageAndChipMayChangeOnlyWhileNothingSendsOrFillsTheBuffer) {
  auto armed = [](SlotOpCode op, int slot, bool autoMode = false) {
    return [=](JobState& js) {
      StartSlotOperation(js, 500, 0, slot);
      js.SlotOp[slot] = op;
      js.SlotAutoMode[slot] = autoMode ? 1 : 0;
    };
  };
  struct Case {
    const char* name;
    std::function<void(JobState&)> set;
    bool mayChange;
  } cases[] = {
      {"units connected and idle", [](JobState&) {}, true},
      {"program by pages", armed(kOpProgram149, 5), false},
      {"program stream asked for", armed(kOpProgram150, 5), false},
      {"download", armed(kOpDownload, 3), false},
      {"download by pages", armed(kOpDownloadPages, 3), false},
      {"download by rounds", armed(kOpDownloadRaw, 3), false},
      {"the erase that begins Auto", armed(kOpErase, 2, true), false},
      {"read by blocks", armed(kOpReadChip155, 0), false},
      {"streamed read asked for", armed(kOpReadChip154, 0), false},
      {"read of the unit's image", armed(kOpReadDownloaded, 0), false},
      {"verify", armed(kOpVerify, 5), true},
      {"the verify that ends Auto", armed(kOpVerify, 5, true), true},
      {"blank check", armed(kOpBlankCheck, 5), true},
      {"erase", armed(kOpErase, 5), true},
      {"ID read", armed(kOpReadId, 0), true},
      {"address write", armed(kOpAddressWrite, 0), true},
      {"the paced program stream", [](JobState& js) { js.SlotDownloading[2] = 1; }, false},
      {"the streamed read", [](JobState& js) { js.ReadStreaming = 1; }, false},
      {"a raw download round asked for", [](JobState& js) { js.SlotRawPending[4] = 1; }, false},
      // A download that fails before its first round leaves no raw phase behind.
      {"an operation ended in its raw phase",
       [](JobState& js) {
         StartSlotOperation(js, 500, 0, 6);
         js.SlotRawPending[6] = 1;
         EndSlotOperation(js, true, 6);
       },
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();  // every slot idle
    js->SlotDownloading.fill(0);
    js->ReadStreaming = 0;
    js->SlotConnected.fill(1);
    c.set(*js);
    EXPECT_EQ(ImageAndChipMayChange(*js), c.mayChange);
  }
}

struct RangeCase {
  const char* name;
  uint32_t chipSize;
  uint32_t chipSizeCopy;
  uint32_t dataSizeKB;
  uint32_t dataEnd;
  bool inBuffer;
};
void PrintTo(const RangeCase& c, std::ostream* os) { *os << c.name; }

class SetDefaultDataRangeTest : public SlotFixture, public ::testing::WithParamInterface<RangeCase> {};

TEST_P(SetDefaultDataRangeTest, CoversTheChipInsideTheBuffer) {
  const RangeCase& c = GetParam();
  js->ChipSize = c.chipSize;
  js->ChipSizeCopy = c.chipSizeCopy;
  js->DataStart = 123;
  EXPECT_EQ(SetDefaultDataRange(*js), c.inBuffer);
  EXPECT_EQ(js->DataStart, 0u);
  EXPECT_EQ(js->DataSizeKB, c.dataSizeKB);
  EXPECT_EQ(js->DataEnd, c.dataEnd);
  EXPECT_EQ(js->ChipEndAddr, static_cast<int32_t>(c.dataEnd));
  EXPECT_LT(js->DataEnd, kDataBufferSize);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetDefaultDataRangeTest,
    ::testing::Values(RangeCase{"Chip512", 512, 512, 0, 511, true},
                      RangeCase{"Chip1K", 1024, 1024, 1, 1023, true},
                      RangeCase{"Flash16M", 16u << 20, 16u << 20, 16384, (16u << 20) - 1, true},
                      RangeCase{"WholeBuffer", kDataBufferSize, kDataBufferSize, kDataBufferSize / 1024,
                                kDataBufferSize - 1, true},
                      // No chip chosen yet: ChipSizeCopy - 1 would be 0xFFFFFFFF.
                      RangeCase{"NoChipChosen", 2048, 0, 0, 0, false},
                      RangeCase{"BeyondTheBuffer", 0x9000000, 0x9000000, kDataBufferSize / 1024,
                                kDataBufferSize - 1, false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
