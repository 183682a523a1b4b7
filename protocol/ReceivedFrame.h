#pragma once
// One frame cut out of a slot's bytes, decoded once into the slot's own
// receive packet area (RxPacket): what the engine's handlers read.
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/Frames.h"

struct JobState;

struct ReceivedFrame {
  std::span<const uint8_t> frame;     // as it came, both marks included
  uint8_t decoded = kFrameMalformed;  // kFrameOk or the fault DecodeFrame names
  std::span<const uint8_t> packet;    // inside RxPacket[slot]; empty unless kFrameOk
};

// Decodes the first frame of `frame` into RxPacket[slot]; `slot` must be 0..7.
ReceivedFrame DecodeSlotFrame(JobState& js, std::span<const uint8_t> frame, int slot);
