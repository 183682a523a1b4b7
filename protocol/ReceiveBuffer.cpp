#include "protocol/ReceiveBuffer.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <vector>

#include "protocol/CommandCodes.h"
#include "protocol/Discovery.h"
#include "protocol/Frames.h"
#include "protocol/StreamedRead.h"

namespace {

// The five 0xFF a unit sends behind each frame: what follows them up to the
// next mark is line noise, not a packet.
bool BeginsWithPadding(const uint8_t* from, const uint8_t* to) {
  return static_cast<size_t>(to - from) >= kFramePadding &&
         std::all_of(from, from + kFramePadding, [](uint8_t b) { return b == 0xFF; });
}

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

// Keeps the bytes from `from` on. When they begin with the closing mark of
// the last frame handed over, that mark opens nothing yet: a lone one is not
// kept, nor is the mark of a sound packet, so that the bytes behind it are
// skipped as lying between frames. The mark of an unsound frame may have
// been the opening mark of the unit's next frame, and stays.
void KeepRest(JobState& js, size_t from, bool afterFrame, bool frameSound, int slot) {
  auto& buf = js.SlotRxBuf[slot];
  size_t count = js.SlotRxCount[slot];
  if (afterFrame && from < count && (frameSound || count - from == 1)) ++from;
  size_t rest = from < count ? count - from : 0;
  if (rest > 0 && from > 0) std::memmove(buf.data(), buf.data() + from, rest);
  js.SlotRxCount[slot] = static_cast<uint16_t>(rest);
}

// Whether the frame in SlotFrame[slot] holds a packet a unit sends: one that
// decodes and carries a good check value (its check byte for a sequence
// report; a probe answer is judged by discovery alone).
bool HoldsSoundPacket(const JobState& js, size_t frameLength, int slot) {
  std::vector<uint8_t> source(js.SlotFrame[slot].begin(), js.SlotFrame[slot].begin() + frameLength);
  std::vector<uint8_t> packet(kTxPacketSize);
  size_t sourceLength = frameLength;
  size_t length = 0;
  if (DecodeFrame(source.data(), packet.data(), packet.size(), length, sourceLength) != kFrameOk) {
    return false;
  }
  if (packet[0] == kSequenceReport) {
    return static_cast<uint8_t>(std::accumulate(packet.begin(), packet.begin() + 8, 0u)) == 0;
  }
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

void CutFrames(JobState& js, int slot, const SlotFrameHandler& onConnected) {
  uint16_t pos = 0;
  bool afterFrame = false;
  bool lastSound = false;
  uint16_t lastClose = 0;
  for (;;) {
    uint16_t start = pos;
    uint16_t frameLength = 0;
    if (AppendSlotRx(js, pos, frameLength, slot) == 0) {
      // The unfinished rest stays from its opening mark on, or whole when it
      // holds no mark at all.
      size_t from = pos < js.SlotRxCount[slot] ? pos : start;
      bool atLastClose = afterFrame && from == lastClose;
      KeepRest(js, from, atLastClose, atLastClose && lastSound, slot);
      return;
    }
    // What runs from the closing mark of the frame just handed over to the
    // next mark lies between two frames: line noise, skipped unless it is a
    // whole packet (the unit's frame behind a stale half frame, whose
    // opening mark closed that half).
    const bool betweenFrames = afterFrame && pos - (frameLength - 1) == lastClose;
    if (betweenFrames && !HoldsSoundPacket(js, frameLength, slot)) {
      afterFrame = false;
      continue;
    }
    // The bytes behind the chunk's last frame wait for the next chunk; whether
    // they lie between frames depends on that frame (judged before the
    // handler decodes it in place).
    const auto& buf = js.SlotRxBuf[slot];
    const uint8_t* end = buf.data() + js.SlotRxCount[slot];
    const bool restFollows =
        pos + 1u < js.SlotRxCount[slot] && std::find(buf.data() + pos + 1, end, kFrameMark) == end;
    lastSound = restFollows && (betweenFrames || HoldsSoundPacket(js, frameLength, slot));
    afterFrame = true;
    lastClose = pos;
    uint16_t countBefore = js.SlotRxCount[slot];
    const bool streamedBefore = js.ReadStreaming != 0;
    size_t length = frameLength;
    if (js.SlotConnected[slot]) {
      if (onConnected) onConnected(js, length, slot);
    } else {
      HandleDiscoveryFrame(js, length, slot);
    }
    if (slot == 0 && js.ReadStreaming && !streamedBefore) {
      // The unit's answer has started a streamed read: what follows it in
      // the buffer is already the chip's data.
      HandOverToStream(js, pos + 1u);
      return;
    }
    // A handler that starts afresh empties the buffer; nothing is left to cut.
    if (js.SlotRxCount[slot] != countBefore) return;
  }
}

}  // namespace

int32_t ReceiveTimeoutTicks(int slot) {
  constexpr int32_t t = kAnswerTimeoutTicks;
  static constexpr int32_t kTicks[kSlotCount] = {t, t, t, t, t, t + 100, t + 200, t + 300};
  return ValidSlot(slot) ? kTicks[slot] : t;
}

uint8_t AppendSlotRx(JobState& js, uint16_t& pos, uint16_t& frameLength, int slot) {
  frameLength = 0;
  if (!ValidSlot(slot)) return 0;
  const auto& buf = js.SlotRxBuf[slot];
  const size_t count = std::min<size_t>(js.SlotRxCount[slot], buf.size());
  const uint8_t* begin = buf.data();
  const uint8_t* end = begin + count;
  const uint8_t* open = std::find(begin + std::min<size_t>(pos, count), end, kFrameMark);
  if (open == end) {
    pos = static_cast<uint16_t>(count);
    return 0;
  }
  for (;;) {
    const uint8_t* close = std::find(open + 1, end, kFrameMark);
    if (close == end) {
      pos = static_cast<uint16_t>(open - begin);
      return 0;
    }
    size_t length = static_cast<size_t>(close - open) + 1;
    if (length - 2 >= kMinFrameContent && length <= js.SlotFrame[slot].size() &&
        !BeginsWithPadding(open + 1, close)) {
      std::memcpy(js.SlotFrame[slot].data(), open, length);
      frameLength = static_cast<uint16_t>(length);
      pos = static_cast<uint16_t>(close - begin);
      return 1;
    }
    // Empty, short, over-long or padding: no packet. Its closing mark opens the next.
    open = close;
  }
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
