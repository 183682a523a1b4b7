#pragma once
// A slot port that keeps every block handed to it, for tests without a device.
#include <cstdint>
#include <vector>

#include "protocol/SlotPort.h"

struct RecordingPort : ISlotPort {
  std::vector<std::vector<uint8_t>> sent;
  bool open = true;
  // What the port reports as still queued for writing; tests set it.
  size_t pendingBytes = 0;
  size_t PendingWriteBytes() const override { return pendingBytes; }
  // Times the queue was dropped; a drop empties it.
  int drops = 0;
  void DropPendingWrites() override {
    ++drops;
    pendingBytes = 0;
  }
  // An open port that takes nothing more (its write thread has ended).
  bool refuses = false;
  bool IsOpen() const override { return open; }
  bool SendBytes(const uint8_t* data, size_t length) override {
    sent.emplace_back(data, data + length);
    return open && !refuses;
  }
};
