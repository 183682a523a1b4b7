#pragma once
// A slot port that keeps every block handed to it, for tests without a device.
#include <cstdint>
#include <vector>

#include "protocol/SlotPort.h"

struct RecordingPort : ISlotPort {
  std::vector<std::vector<uint8_t>> sent;
  bool open = true;
  bool IsOpen() const override { return open; }
  bool SendBytes(const uint8_t* data, size_t length) override {
    sent.emplace_back(data, data + length);
    return open;
  }
};
