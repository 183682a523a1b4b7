#include "protocol/ReceiveBuffer.h"

#include <algorithm>
#include <cstring>
#include <span>

#include "protocol/AnswerHandling.h"
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
bool HoldsSoundPacket(const ReceivedFrame& received) {
  if (received.decoded != kFrameOk) return false;
  const std::span<const uint8_t> packet = received.packet;
  if (packet[0] == kSequenceReport) return SequenceReportSumIsZero(packet.data());
  if (std::equal(kProbeHeader.begin(), kProbeHeader.end(), packet.begin())) return true;
  return CheckPacket(packet.data(), packet.size()) != kPacketCheckError;
}

// Gives slot 0's buffered bytes from `from` on to the streamed read and
// empties the buffer. The stream stores into the data buffer, so the bytes
// are read where they lie.
void HandOverToStream(JobState& js, size_t from) {
  const size_t count = js.SlotRxCount[0];
  js.SlotRxCount[0] = 0;
  if (from < count) ReceiveReadStream(js, js.SlotRxBuf[0].data() + from, count - from);
}

// Hands every complete frame in the slot's buffer to `handle`; the
// unfinished rest stays for the next chunk.
void CutFrames(JobState& js, int slot, ReceivedFrameHandler handle) {
  const std::span<const uint8_t> bytes(js.SlotRxBuf[slot].data(), js.SlotRxCount[slot]);
  FrameCutState cut;
  // The cutter judges each run once and hands over the run it judged last:
  // the decoding made for the judgement is the frame's.
  ReceivedFrame received;
  auto decodeAndJudge = [&](std::span<const uint8_t> frame) {
    received = DecodeSlotFrame(js, frame, slot);
    return HoldsSoundPacket(received);
  };
  for (;;) {
    const FrameCut next = CutNextFrame(cut, bytes, kSlotFrameSize, decodeAndJudge);
    switch (next.outcome) {
      case CutOutcome::kInvalid:
        continue;
      case CutOutcome::kNeedMore:
        KeepRest(js, next.keepFrom, slot);
        return;
      case CutOutcome::kFrame:
        break;
    }
    const uint16_t countBefore = js.SlotRxCount[slot];
    const bool streamedBefore = js.ReadStreaming != 0;
    handle(js, received, slot);
    if (slot == 0 && js.ReadStreaming && !streamedBefore) {
      // The unit's answer has started a streamed read: what follows it in
      // the buffer is already the chip's data.
      HandOverToStream(js, cut.pos + 1u);
      return;
    }
    // A handler that starts afresh empties the buffer; nothing is left to cut.
    if (js.SlotRxCount[slot] != countBefore) return;
  }
}

}  // namespace

int32_t ReceiveTimeoutTicks(int slot) {
  static_assert(kReceiveTimeoutTicks.size() == kSlotCount);
  return ValidSlot(slot) ? kReceiveTimeoutTicks[slot] : kAnswerTimeoutTicks;
}

bool SlotTakesAnswers(const JobState& js, int slot) {
  // A unit being upgraded answers the upgrade whether or not a search has
  // found it: an older unit is upgraded straight from its probe answer.
  return ValidSlot(slot) && (js.SlotConnected[slot] != 0 || js.SlotOp[slot] == kOpFirmwareUpgrade);
}

void HandleReceivedFrame(JobState& js, const ReceivedFrame& frame, int slot) {
  if (!ValidSlot(slot) || frame.decoded != kFrameOk) return;
  if (SlotTakesAnswers(js, slot)) {
    HandleSlotAnswer(js, frame.packet, slot);
  } else {
    HandleDiscoveryAnswer(js, frame.packet, slot);
  }
}

void ReceiveSlotChunk(JobState& js, const uint8_t* data, size_t length, int slot,
                      ReceivedFrameHandler handle) {
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
    CutFrames(js, slot, handle);
    data += step;
    length -= step;
    if (slot == 0 && js.ReadStreaming) {
      ReceiveReadStream(js, data, length);
      return;
    }
  }
}
