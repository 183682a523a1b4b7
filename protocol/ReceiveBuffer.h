#pragma once
// Each slot's receive buffer: bytes from the unit arrive in chunks of any
// size, complete frames are cut out of them one by one (FrameCutter.h), each
// is decoded once into the slot's RxPacket (ReceivedFrame.h), and the engine
// hands it to discovery or to the answer handling.
//
// Both buffers are bounded: the receive buffer keeps its newest bytes, which
// always hold a whole valid frame in progress. Nothing on this path takes
// memory from the heap.
#include <cstddef>
#include <cstdint>

#include "protocol/FunctionRef.h"
#include "protocol/JobState.h"
#include "protocol/ReceivedFrame.h"

// Answer time-out after each received chunk, in 10 ms ticks, per slot
// (kReceiveTimeoutTicks).
int32_t ReceiveTimeoutTicks(int slot);

// What becomes of each frame the receive cycle cuts.
using ReceivedFrameHandler = FunctionRef<void(JobState& js, const ReceivedFrame& frame, int slot)>;

// Whether the slot's frames are answers to commands (HandleSlotAnswer), as
// on a slot with a unit (SlotConnected) or one running the firmware upgrade,
// or probe answers (HandleDiscoveryAnswer).
bool SlotTakesAnswers(const JobState& js, int slot);

// The engine's own handling of a frame: a packet that did not decode is
// dropped, the others go where SlotTakesAnswers says.
void HandleReceivedFrame(JobState& js, const ReceivedFrame& frame, int slot);

// The receive cycle of one chunk: re-arms the slot's time-out, appends the
// bytes and hands every complete frame to `handle` (tests watch each frame
// through their own; the program takes the engine's). The unfinished rest
// stays in the buffer for the next chunk. While a streamed read runs, slot
// 0's bytes go to it instead, from the byte behind the answer that started
// it on.
void ReceiveSlotChunk(JobState& js, const uint8_t* data, size_t length, int slot,
                      ReceivedFrameHandler handle = HandleReceivedFrame);
