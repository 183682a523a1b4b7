#pragma once
// Cuts frames out of received bytes, knowing nothing of what they mean.
//
// Every 0xC0 is a frame boundary: it closes the frame before it and opens the
// next. A unit's frame thus never loses its opening mark to a stale half
// frame in front of it, and the padding between frames makes only a short
// run, which is no frame (so is noise behind the padding). Other bytes between
// two frames are skipped unless they form a sound packet: the caller judges
// that, since it alone knows what a packet is.
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/FunctionRef.h"

// Frames with fewer bytes between their marks cannot hold a packet.
inline constexpr size_t kMinFrameContent = 8;

// One pass over a buffer, from its first byte on; a fresh pass starts afresh.
struct FrameCutState {
  size_t pos = 0;          // where the next search starts: the last frame's closing mark
  bool afterFrame = false;  // a frame was handed over and lastClose is its closing mark
  bool lastSound = false;   // that frame holds a sound packet and unfinished bytes follow it
  size_t lastClose = 0;
};

enum class CutOutcome : uint8_t {
  kNeedMore,  // no complete frame follows: keep the bytes from keepFrom on
  kInvalid,   // a run between two marks holds no packet and was passed over
  kFrame,     // bytes[open, open + length) is a frame, both marks included
};

struct FrameCut {
  CutOutcome outcome = CutOutcome::kNeedMore;
  size_t open = 0;
  size_t length = 0;
  size_t keepFrom = 0;
};

// Whether a frame (marks included) holds a packet a unit sends.
using SoundPacketTest = FunctionRef<bool(std::span<const uint8_t> frame)>;

// The next frame of `bytes` no longer than maxFrameLength. After kFrame,
// state.pos stands on the frame's closing mark, which opens the next one.
// isSound judges each run that may be a frame once, and the last run it
// judged is the one handed over: a caller that decodes the packet to judge
// it hands that decoding on with the frame.
FrameCut CutNextFrame(FrameCutState& state, std::span<const uint8_t> bytes, size_t maxFrameLength,
                      SoundPacketTest isSound);
