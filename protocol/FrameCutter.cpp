#include "protocol/FrameCutter.h"

#include <algorithm>

#include "protocol/Frames.h"

namespace {

// The five 0xFF a unit sends behind each frame: what follows them up to the
// next mark is line noise, not a packet.
bool BeginsWithPadding(const uint8_t* from, const uint8_t* to) {
  return static_cast<size_t>(to - from) >= kFramePadding &&
         std::all_of(from, from + kFramePadding, [](uint8_t b) { return b == 0xFF; });
}

// Where the unfinished rest that begins at `from` is kept from. When it begins
// with the closing mark of the last frame handed over, that mark opens nothing
// yet: a lone one is not kept, nor is the mark of a sound packet, so that the
// bytes behind it are skipped as lying between frames. The mark of an unsound
// frame may have been the opening mark of the unit's next frame, and stays.
size_t KeepFrom(const FrameCutState& state, size_t from, size_t count) {
  const bool atLastClose = state.afterFrame && from == state.lastClose;
  if (atLastClose && from < count && (state.lastSound || count - from == 1)) ++from;
  return std::min(from, count);
}

FrameCut NeedMore(const FrameCutState& state, size_t from, size_t count) {
  return {CutOutcome::kNeedMore, 0, 0, KeepFrom(state, from, count)};
}

}  // namespace

FrameCut CutNextFrame(FrameCutState& state, std::span<const uint8_t> bytes, size_t maxFrameLength,
                      SoundPacketTest isSound) {
  const size_t count = bytes.size();
  const uint8_t* begin = bytes.data();
  const uint8_t* end = begin + count;
  const size_t start = std::min(state.pos, count);
  const uint8_t* open = std::find(begin + start, end, kFrameMark);
  // Bytes without any mark stay whole.
  if (open == end) return NeedMore(state, start, count);
  const uint8_t* close = std::find(open + 1, end, kFrameMark);
  // The unfinished rest stays from its opening mark on.
  if (close == end) return NeedMore(state, static_cast<size_t>(open - begin), count);

  state.pos = static_cast<size_t>(close - begin);
  const size_t at = static_cast<size_t>(open - begin);
  const size_t length = static_cast<size_t>(close - open) + 1;
  // Empty, short, over-long or padding: no packet. Its closing mark opens the next.
  if (length - 2 < kMinFrameContent || length > maxFrameLength || BeginsWithPadding(open + 1, close)) {
    return {CutOutcome::kInvalid, at, length, 0};
  }
  const std::span<const uint8_t> frame(open, length);
  // What runs from the closing mark of the frame last handed over to the next
  // mark lies between two frames: line noise, skipped unless it is a whole
  // packet (the unit's frame behind a stale half frame, whose opening mark
  // closed that half).
  const bool betweenFrames = state.afterFrame && at == state.lastClose;
  const bool sound = isSound(frame);
  if (betweenFrames && !sound) {
    state.afterFrame = false;
    return {CutOutcome::kInvalid, at, length, 0};
  }
  // The bytes behind the last frame wait for more; whether they lie between
  // frames depends on this frame.
  const bool restFollows = close + 1 < end && std::find(close + 1, end, kFrameMark) == end;
  state.lastSound = restFollows && sound;
  state.afterFrame = true;
  state.lastClose = state.pos;
  return {CutOutcome::kFrame, at, length, 0};
}
