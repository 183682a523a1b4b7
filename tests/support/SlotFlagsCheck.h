#pragma once
// The slots' flags checked after each handler the fixtures dispatch: a frame
// handed to the answer handling, a tick of the time-outs, a pacing round.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/AnswerHandling.h"
#include "protocol/JobState.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/SlotPhase.h"

inline void ExpectSlotFlagsConsistent(const JobState& js) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    EXPECT_TRUE(SlotFlagsConsistent(js, slot))
        << "slot " << slot << ": connected " << int(js.SlotConnected[slot]) << " busy "
        << int(js.SlotBusy[slot]) << " op " << int(js.SlotOp[slot]) << " downloading "
        << int(js.SlotDownloading[slot]) << " raw " << int(js.SlotRawPending[slot]) << " auto "
        << int(js.SlotAutoMode[slot]) << " gauge tick " << int(js.SlotGaugeTick[slot])
        << " read stream " << int(js.ReadStreaming);
  }
}

// The engine's handling of each frame the receive cycle cuts, then the check.
inline void CheckedReceivedFrame(JobState& js, const ReceivedFrame& frame, int slot) {
  HandleReceivedFrame(js, frame, slot);
  ExpectSlotFlagsConsistent(js);
}

// One frame straight to the slot's answer handling, as a connected unit's
// answer: decoded into the slot's receive area and handled, then the check.
// Returns the decoding result (0 when handled).
inline uint8_t CheckedSlotFrame(JobState& js, std::span<const uint8_t> frame, int slot) {
  const ReceivedFrame received = DecodeSlotFrame(js, frame, slot);
  if (received.decoded != kFrameOk) return received.decoded;
  HandleSlotAnswer(js, received.packet, slot);
  ExpectSlotFlagsConsistent(js);
  return 0;
}
