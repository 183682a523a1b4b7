#include "protocol/ReceiveBuffer.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <vector>

#include "protocol/Checks.h"
#include "protocol/CommandCodes.h"
#include "protocol/Discovery.h"
#include "protocol/FrameCutter.h"
#include "protocol/Frames.h"
#include "protocol/StreamedRead.h"

namespace {

bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

// Appends bytes, dropping the oldest when the buffer would overflow. The
// buffer holds a whole valid frame plus one chunk, so what is dropped can no
// longer belong to a valid frame that ends in these bytes.
void AppendBounded(JobState& js, const uint8_t* data, size_t length, int slot) {
  auto& buf = js.SlotRxBuf[slot];
  size_t count = js.SlotRxCount[slot];
  if (length >= buf.size()) {
    data += length - buf.size();
    length = buf.size();
    count = 0;
  } else if (count + length > buf.size()) {
    size_t drop = count + length - buf.size();
    std::memmove(buf.data(), buf.data() + drop, count - drop);
    count -= drop;
  }
  std::memcpy(buf.data() + count, data, length);
  js.SlotRxCount[slot] = static_cast<uint16_t>(count + length);
}

// Keeps the slot's buffered bytes from `from` on.
void KeepRest(JobState& js, size_t from, int slot) {
  auto& buf = js.SlotRxBuf[slot];
  const size_t rest = js.SlotRxCount[slot] - from;
  if (rest > 0 && from > 0) std::memmove(buf.data(), buf.data() + from, rest);
  js.SlotRxCount[slot] = static_cast<uint16_t>(rest);
}

// Whether a frame holds a packet a unit sends: one that decodes and carries a
// good check value (its check byte for a sequence report; a probe answer is
// judged by discovery alone).
bool HoldsSoundPacket(std::span<const uint8_t> frame) {
  std::vector<uint8_t> source(frame.begin(), frame.end());
  std::vector<uint8_t> packet(kTxPacketSize);
  size_t sourceLength = frame.size();
  size_t length = 0;
  if (DecodeFrame(source.data(), packet.data(), packet.size(), length, sourceLength) != kFrameOk) {
    return false;
  }
  if (packet[0] == kSequenceReport) return SequenceReportSumIsZero(packet.data());
  if (std::equal(kProbeHeader.begin(), kProbeHeader.end(), packet.begin())) return true;
  return CheckPacket(packet.data(), length) != kPacketCheckError;
}

// Gives slot 0's buffered bytes from `from` on to the streamed read and
// empties the buffer.
void HandOverToStream(JobState& js, size_t from) {
  const auto& buf = js.SlotRxBuf[0];
  const size_t count = js.SlotRxCount[0];
  std::vector<uint8_t> rest;
  if (from < count) rest.assign(buf.begin() + from, buf.begin() + count);
  js.SlotRxCount[0] = 0;
  ReceiveReadStream(js, rest.data(), rest.size());
}

// Cuts the slot's next frame into SlotFrame[slot]. Returns 1 with its length;
// 0 when no complete frame follows, with `rest` where the unfinished bytes to
// keep begin.
uint8_t AppendSlotRx(JobState& js, FrameCutState& cut, size_t& frameLength, size_t& rest, int slot) {
  const std::span<const uint8_t> bytes(js.SlotRxBuf[slot].data(), js.SlotRxCount[slot]);
  for (;;) {
    const FrameCut next = CutNextFrame(cut, bytes, js.SlotFrame[slot].size(), HoldsSoundPacket);
    switch (next.outcome) {
      case CutOutcome::kInvalid:
        continue;
      case CutOutcome::kNeedMore:
        rest = next.keepFrom;
        return 0;
      case CutOutcome::kFrame:
        std::copy_n(bytes.begin() + next.open, next.length, js.SlotFrame[slot].begin());
        frameLength = next.length;
        return 1;
    }
  }
}

// Hands every complete frame in the slot's buffer to the handler its slot
// calls for; the unfinished rest stays for the next chunk.
void CutFrames(JobState& js, int slot, const SlotFrameHandler& onConnected) {
  FrameCutState cut;
  size_t frameLength = 0;
  size_t rest = 0;
  while (AppendSlotRx(js, cut, frameLength, rest, slot) != 0) {
    uint16_t countBefore = js.SlotRxCount[slot];
    const bool streamedBefore = js.ReadStreaming != 0;
    if (js.SlotConnected[slot]) {
      if (onConnected) onConnected(js, frameLength, slot);
    } else {
      HandleDiscoveryFrame(js, frameLength, slot);
    }
    if (slot == 0 && js.ReadStreaming && !streamedBefore) {
      // The unit's answer has started a streamed read: what follows it in
      // the buffer is already the chip's data.
      HandOverToStream(js, cut.pos + 1u);
      return;
    }
    // A handler that starts afresh empties the buffer; nothing is left to cut.
    if (js.SlotRxCount[slot] != countBefore) return;
  }
  KeepRest(js, rest, slot);
}

}  // namespace

int32_t ReceiveTimeoutTicks(int slot) {
  static_assert(kReceiveTimeoutTicks.size() == kSlotCount);
  return ValidSlot(slot) ? kReceiveTimeoutTicks[slot] : kAnswerTimeoutTicks;
}

void ReceiveSlotChunk(JobState& js, const uint8_t* data, size_t length, int slot,
                      const SlotFrameHandler& onConnected) {
  if (!ValidSlot(slot) || length == 0) return;
  if (slot == 0 && js.ReadStreaming) {
    // A streamed chip read: the bytes are data, not frames.
    ReceiveReadStream(js, data, length);
    return;
  }
  js.SlotTimeout[slot] = ReceiveTimeoutTicks(slot);
  // Larger deliveries go in read-sized steps, so no frame is dropped for room.
  while (length > 0) {
    size_t step = std::min(length, kReadChunkSize);
    AppendBounded(js, data, step, slot);
    CutFrames(js, slot, onConnected);
    data += step;
    length -= step;
    if (slot == 0 && js.ReadStreaming) {
      ReceiveReadStream(js, data, length);
      return;
    }
  }
}
