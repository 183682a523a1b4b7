#pragma once
// The slots' flags checked after each handler the fixtures dispatch: a frame
// handed to the answer handling, a tick of the time-outs, a pacing round.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "protocol/AnswerHandling.h"
#include "protocol/JobState.h"
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

// HandleSlotFrame, then the check.
inline uint8_t CheckedSlotFrame(JobState& js, size_t& frameLength, int slot) {
  const uint8_t result = HandleSlotFrame(js, frameLength, slot);
  ExpectSlotFlagsConsistent(js);
  return result;
}
