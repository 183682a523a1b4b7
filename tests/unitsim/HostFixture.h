#pragma once
// The host's own senders wired to one simulated unit: what the program would
// put on the line goes into the unit, and its answers come back decoded.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "SimUnit.h"
#include "protocol/DataRange.h"
#include "protocol/JobState.h"
#include "protocol/SealedSettings.h"
#include "protocol/Senders.h"
#include "support/RecordingPort.h"

// One frame the unit sent, decoded.
struct UnitFrame {
  std::vector<uint8_t> bytes;
  bool IsReport() const { return !bytes.empty() && bytes[0] == unitsim::kSequenceReport; }
  uint16_t PayloadLength() const { return static_cast<uint16_t>(bytes[6] | bytes[7] << 8); }
  const uint8_t* Payload() const { return bytes.data() + 8; }
  uint8_t Status() const { return bytes[8]; }
  // The answer is header, payload and a sound check value.
  bool Sound() const {
    if (bytes.size() < 10 || bytes.size() != size_t{PayloadLength()} + 10) return false;
    size_t n = bytes.size();
    return unitsim::CheckValue(bytes.data(), n - 2) == uint16_t(bytes[n - 2] | bytes[n - 1] << 8);
  }
};

inline std::vector<UnitFrame> DecodeFrames(const std::vector<uint8_t>& line) {
  unitsim::FrameReader reader;
  std::vector<UnitFrame> frames;
  for (auto& f : reader.Feed(line.data(), line.size())) {
    if (f.size() >= 8) frames.push_back({std::move(f)});  // shorter: the padding between frames
  }
  return frames;
}

struct HostFixture : ::testing::Test {
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  RecordingPort port;
  std::unique_ptr<unitsim::SimUnit> unit = std::make_unique<unitsim::SimUnit>();

  HostFixture() {
    js->CommSlots[0] = &port;
    UseChip(0x10, 64);
  }

  void UseUnit(unitsim::UnitConfig config) { unit = std::make_unique<unitsim::SimUnit>(std::move(config)); }

  // A chip of `kb` kilobytes of the family, the data range all of it.
  void UseChip(uint8_t family, uint32_t kb) {
    js->ChipFamily = family;
    js->ChipSubType = 3;
    js->ChipSize = kb * 1024;
    js->DataSizeKB = kb;
    js->ChipId1 = 0xEF;
    js->ChipId2 = 0x40;
  }

  // Distinct data (and spare bytes) in the host's buffer, summed as a load sums it.
  void FillData(uint32_t kb, uint8_t seed) {
    for (uint32_t i = 0; i < kb * 1024; ++i) js->DataBuffer[i] = uint8_t(i * 31 + seed + (i >> 10));
    for (uint32_t i = 0; i < kb * 32; ++i) js->PageSpareArea()[i] = uint8_t(i * 5 + seed);
    SumImage();
  }

  // The check values every command carries: the host's own over the chip's
  // size from address 0.
  void SumImage() { UpdateChecksums(*js, 0, js->ChipSize - 1); }

  // Runs one sender of slot 0, with the settings sealed from the job as a
  // command's start does, and returns the unit's whole answer.
  std::vector<uint8_t> Line(const std::function<void(JobState&)>& send) {
    port.sent.clear();
    SealSlotSettings(*js, 0);
    send(*js);
    std::vector<uint8_t> answer;
    for (const auto& block : port.sent) {
      auto a = unit->Feed(block);
      answer.insert(answer.end(), a.begin(), a.end());
    }
    return answer;
  }
  std::vector<UnitFrame> Send(const std::function<void(JobState&)>& send) { return DecodeFrames(Line(send)); }

  // The status of a command answered by one short answer.
  uint8_t StatusOf(const std::function<void(JobState&)>& send) {
    auto frames = Send(send);
    EXPECT_EQ(frames.size(), 1u);
    if (frames.size() != 1 || !frames[0].Sound() || frames[0].PayloadLength() != 2) return 0xFF;
    return frames[0].Status();
  }

  std::vector<uint8_t> HostData(uint64_t from, size_t length) const {
    return std::vector<uint8_t>(js->DataBuffer.get() + from, js->DataBuffer.get() + from + length);
  }
};
