#pragma once
// One job for engine tests: recording ports and gauges on every slot, a
// patterned image of a chosen chip, and answers handed to a slot's answer
// handling as if its unit had sent them.
#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "protocol/DataRange.h"
#include "protocol/JobState.h"
#include "support/AnswerPackets.h"
#include "support/FakeView.h"
#include "support/RecordingPort.h"
#include "support/SlotFlagsCheck.h"

// A job with recording ports on every slot and units on `connected`.
struct Job {
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  FakeView view;
  std::array<RecordingPort, kSlotCount> ports;

  explicit Job(std::initializer_list<int> connected) {
    js->LogMemo = &view;
    std::array<ISlotPort*, kSlotCount> p{};
    for (int i = 0; i < kSlotCount; ++i) p[i] = &ports[i];
    InitSlotTables(*js, p, view.GaugePointers());
    for (int s : connected) js->SlotConnected[s] = 1;
    js->DeviceCount = static_cast<uint8_t>(connected.size());
  }

  // A chip of `family` and `kb` kilobytes with a patterned image loaded.
  void Chip(uint8_t family, uint32_t kb, bool large) {
    js->ChipSelected = 1;
    js->ChipFamily = family;
    js->ChipSubType = 0x17;
    js->ChipSize = js->ChipSizeCopy = kb * 1024;
    js->PageSize = 256;
    js->DataSizeKB = kb;
    js->DataStart = 0;
    js->DataEnd = kb * 1024 - 1;
    js->LargeImage = large ? 1 : 0;
    js->DataLoaded = 1;
    for (uint32_t i = 0; i < kb * 1024; ++i) js->DataBuffer[i] = static_cast<uint8_t>(i * 13 + i / 4096);
    UpdateChecksums(*js, 0, js->DataEnd);
  }

  void AnswerGood(int slot) { AnswerData(slot, StatusPayload(0)); }
  void AnswerStatus(int slot, uint8_t status) { AnswerData(slot, StatusPayload(status)); }
  void AnswerData(int slot, const std::vector<uint8_t>& payload) {
    ASSERT_EQ(CheckedSlotFrame(*js, FrameOf(AnswerPacket(0x80, payload)), slot), 0);
  }
};

