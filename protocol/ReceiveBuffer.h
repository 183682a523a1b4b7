#pragma once
// Each slot's receive buffer: bytes from the unit arrive in chunks of any
// size, complete frames are cut out of them one by one (FrameCutter.h) and
// handed to the slot's answer handler.
//
// Both buffers are bounded: the receive buffer keeps its newest bytes, which
// always hold a whole valid frame in progress.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "protocol/JobState.h"

// Answer time-out after each received chunk, in 10 ms ticks, per slot
// (kReceiveTimeoutTicks).
int32_t ReceiveTimeoutTicks(int slot);

// Takes one frame from SlotFrame[slot]; frameLength is its byte count.
using SlotFrameHandler = std::function<void(JobState& js, size_t& frameLength, int slot)>;

// The receive cycle of one chunk: re-arms the slot's time-out, appends the
// bytes and hands every complete frame to onConnected when the slot is
// connected (tested anew for every frame), else to HandleDiscoveryFrame.
// The unfinished rest stays in the buffer for the next chunk. While a
// streamed read runs, slot 0's bytes go to it instead, from the byte behind
// the answer that started it on.
void ReceiveSlotChunk(JobState& js, const uint8_t* data, size_t length, int slot,
                      const SlotFrameHandler& onConnected);
