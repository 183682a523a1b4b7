#pragma once
// Each slot's receive buffer: bytes from the unit arrive in chunks of any
// size, and complete frames are cut out of them one by one and handed to the
// slot's answer handler.
//
// Every 0xC0 is a frame boundary: it closes the frame before it and opens the
// next. A unit's frame thus never loses its opening mark to a stale half
// frame in front of it, and the padding between frames makes only a short
// frame, which is dropped (so is noise behind the padding). Other bytes
// between two frames are skipped unless they form a sound packet. Both
// buffers are bounded: the receive buffer keeps its newest bytes, which always
// hold a whole valid frame in progress.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "protocol/JobState.h"

// Frames with fewer bytes between their marks cannot hold a packet.
inline constexpr size_t kMinFrameContent = 8;

// Answer time-out after each received chunk, in 10 ms ticks, per slot.
int32_t ReceiveTimeoutTicks(int slot);

// Cuts the next frame out of SlotRxBuf[slot] from `pos` on. Returns 1 when a
// frame (opening and closing mark included) is in SlotFrame[slot]: its length
// is in frameLength and pos stands on its closing mark, which opens the next
// frame. Returns 0 when no complete frame follows; pos then stands where the
// unfinished rest begins.
uint8_t AppendSlotRx(JobState& js, uint16_t& pos, uint16_t& frameLength, int slot);

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
