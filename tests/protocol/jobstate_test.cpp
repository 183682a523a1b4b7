#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "support/FakeView.h"

TEST(JobState, InitChipParamsGivesTheDefaultsAndAnErasedBuffer) {
  auto js = std::make_unique<JobState>();
  js->ChipSelected = 1;
  js->DataLoaded = 1;
  js->DataBuffer[0x8200000] = 0x12;
  InitChipParams(*js);
  EXPECT_EQ(js->ChipSize, 2048u);
  EXPECT_EQ(js->PageSize, 8u);
  EXPECT_EQ(js->I2CDevAddr, 0xA0);
  EXPECT_EQ(js->ChipSpare, 32);
  EXPECT_EQ(js->ChipAuxWord, 8192u);
  EXPECT_EQ(js->ChipSelected, 0);
  EXPECT_EQ(js->DataLoaded, 0);
  for (uint32_t i = 0; i < kDataBufferSize; ++i) {
    if (js->DataBuffer[i] != 0xFF) FAIL() << "byte " << i << " not erased";
  }
}

// The flags of the memory map holding `address`, from /proc/self/smaps.
std::string MapFlags(const void* address) {
  std::ifstream smaps("/proc/self/smaps");
  const auto at = reinterpret_cast<uintptr_t>(address);
  bool inside = false;
  for (std::string line; std::getline(smaps, line);) {
    uintptr_t from = 0, to = 0;
    if (std::sscanf(line.c_str(), "%" SCNxPTR "-%" SCNxPTR " ", &from, &to) == 2 && line.find(' ') > line.find('-')) {
      inside = from <= at && at < to;
    } else if (inside && line.rfind("VmFlags:", 0) == 0) {
      return line;
    }
  }
  return {};
}

// The buffer's first fill touches every page: on 2 MB pages it takes
// milliseconds instead of most of the start-up.
TEST(JobState, DataBufferStartsZeroOnWholeHugePages) {
  auto js = std::make_unique<JobState>();
  const uint8_t* buffer = js->DataBuffer.get();
  EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer) % (2u << 20), 0u);
  EXPECT_EQ(buffer[0], 0);
  EXPECT_EQ(buffer[kDataBufferSize - 1], 0);
  if (!std::filesystem::exists("/sys/kernel/mm/transparent_hugepage/enabled"))
    GTEST_SKIP() << "this system has no transparent huge pages";
  EXPECT_NE(MapFlags(buffer).find(" hg"), std::string::npos) << MapFlags(buffer);
}

TEST(JobState, InitSlotTablesLeavesEverySlotIdleAndBound) {
  auto js = std::make_unique<JobState>();
  FakeView view;
  js->SlotOp.fill(SlotOpCode{7});
  js->SlotBusy.fill(1);
  js->SlotTimeout[3] = 99;  // not this routine's to clear
  InitSlotTables(*js, {}, view.GaugePointers());
  for (int i = 0; i < kSlotCount; ++i) {
    EXPECT_EQ(js->SlotOp[i], kOpIdle);
    EXPECT_EQ(js->SlotBusy[i], 0);
    EXPECT_EQ(js->GaugeSlots[i], &view.gauges[i]);
  }
  EXPECT_EQ(js->SlotTimeout[3], 99);
}

TEST(JobState, SlotBuffersAreSeparate) {
  auto js = std::make_unique<JobState>();
  js->SlotRawBlock[7].fill(0x55);
  js->RxPacket[7].fill(0x66);
  js->TxFrame[7].fill(0x77);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(js->SlotRawBlock[i][kSlotRawBlockSize - 1], 0);
    EXPECT_EQ(js->RxPacket[i][kRxPacketSize - 1], 0);
    EXPECT_EQ(js->TxFrame[i][kTxFrameSize - 1], 0);
  }
}

TEST(Log, SlotAndInfoLinesCarryTheTimeStampAndSlotNumber) {
  auto js = std::make_unique<JobState>();
  FakeView view;
  js->LogMemo = &view;
  AddInfoLine(*js, "Hello");
  LogSlotMessage(*js, "Operation Success!", 2);
  ASSERT_EQ(view.log.size(), 2u);
  EXPECT_EQ(view.LogTexts()[0], "Hello");
  EXPECT_NE(view.log[1].find(" C3: Operation Success!"), std::string::npos);
  EXPECT_EQ(view.log[1].rfind("> ", 0), 0u);
}
