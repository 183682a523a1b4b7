// The frame cutter alone: bytes in, frames out, with a stand-in for the
// judgement of what a packet is.
#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

#include "protocol/FrameCutter.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t kMark = 0xC0;
constexpr uint8_t kUnsound = 0xEE;  // a content beginning with it is no sound packet here
constexpr size_t kMaxFrame = 24;

bool IsSound(std::span<const uint8_t> frame) { return frame[1] != kUnsound; }

// Eight content bytes from `first` on: the shortest run that may be a frame.
Bytes Content(uint8_t first) {
  Bytes c(kMinFrameContent);
  for (size_t i = 0; i < c.size(); ++i) c[i] = static_cast<uint8_t>(first + i);
  return c;
}

Bytes Framed(const Bytes& content) {
  Bytes f{kMark};
  f.insert(f.end(), content.begin(), content.end());
  f.push_back(kMark);
  return f;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Head(const Bytes& b, size_t n) { return Bytes(b.begin(), b.begin() + n); }
Bytes Tail(const Bytes& b, size_t n) { return Bytes(b.begin() + n, b.end()); }

const Bytes A = Content(0x01), B = Content(0x21), Bad = Cat({{kUnsound}, Head(Content(0x41), 7)});
// An escaped 0xC0 and 0xDB inside the content: no mark, so no cut.
const Bytes Escaped{0x10, 0xDB, 0xDC, 0x11, 0xDB, 0xDD, 0x12, 0x13, 0x14};
const Bytes Padding(5, 0xFF);
const Bytes Garbage{0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39};

struct CutCase {
  const char* name;
  std::vector<Bytes> chunks;
  std::vector<Bytes> frames;  // marks included
  size_t invalid;             // runs between marks passed over
  Bytes kept;                 // what waits for more after the last chunk
};

void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }

const CutCase kCases[] = {
    {"TwoFramesInOneChunk", {Cat({Framed(A), Framed(B)})}, {Framed(A), Framed(B)}, 1, {}},
    {"FrameSplitOverTwoChunks", {Head(Framed(A), 4), Tail(Framed(A), 4)}, {Framed(A)}, 0, {}},
    {"SplitRightBehindTheOpeningMark", {{kMark}, Tail(Framed(A), 1)}, {Framed(A)}, 0, {}},
    {"EscapesStayInsideTheFrame", {Framed(Escaped)}, {Framed(Escaped)}, 0, {}},
    {"GarbageBeforeAFrameIsDropped", {Cat({Garbage, Framed(A)})}, {Framed(A)}, 0, {}},
    {"GarbageWaitsUntilAFrameFollows", {Garbage, Framed(A)}, {Framed(A)}, 0, {}},
    {"GarbageAloneWaits", {Garbage}, {}, 0, Garbage},
    {"DoubledMarkInFront", {Cat({{kMark}, Framed(A)})}, {Framed(A)}, 1, {}},
    {"PaddingBetweenFramesIsNoFrame", {Cat({Framed(A), Padding, Framed(B)})}, {Framed(A), Framed(B)}, 1, {}},
    {"NoiseBehindPadding", {Cat({Framed(A), Padding, Garbage, Framed(B)})}, {Framed(A), Framed(B)}, 1, {}},
    {"UnsoundNoiseBetweenFramesIsSkipped", {Cat({Framed(A), Bad, Framed(B)})}, {Framed(A), Framed(B)}, 1, {}},
    // The frame behind skipped noise is handed over whatever it holds.
    {"UnsoundFrameBehindNoise", {Cat({Framed(A), Bad, Framed(Bad)})}, {Framed(A), Framed(Bad)}, 1, {}},
    {"SoundPacketBetweenFramesIsAFrame", {Cat({Framed(A), A, {kMark}})}, {Framed(A), Framed(A)}, 0, {}},
    {"UnsoundFrameOfItsOwnIsHandedOver", {Cat({Framed(Bad), Framed(A)})}, {Framed(Bad), Framed(A)}, 1, {}},
    {"OverLongRunIsNoFrame", {Cat({Framed(Bytes(kMaxFrame, 0x5A)), Framed(A)})}, {Framed(A)}, 2, {}},
    {"LongestFrameFits", {Framed(Bytes(kMaxFrame - 2, 0x5A))}, {Framed(Bytes(kMaxFrame - 2, 0x5A))}, 0, {}},
    // What follows the last frame waits: the closing mark of a sound packet
    // is dropped with it, that of an unsound one may open the next frame.
    {"RestBehindASoundFrame", {Cat({Framed(A), {1, 2, 3}})}, {Framed(A)}, 0, {1, 2, 3}},
    {"RestBehindAnUnsoundFrame", {Cat({Framed(Bad), {1, 2, 3}})}, {Framed(Bad)}, 0, {kMark, 1, 2, 3}},
    {"LoneClosingMarkIsNotKept", {Framed(Bad)}, {Framed(Bad)}, 0, {}},
    {"StartOfTheNextFrameIsKept", {Cat({Framed(A), Head(Framed(B), 4)})}, {Framed(A)}, 1, Head(Framed(B), 4)},
    // The half frame is closed by the opening mark of the unit's frame
    // behind it, which is then found as a sound packet between frames.
    {"StaleHalfFrameThenTheUnitsFrame",
     {Head(Framed(Bad), 9), Cat({Framed(A), Framed(B)})},
     {Framed(Bad), Framed(A), Framed(B)},
     1,
     {}},
};

class FrameCutter : public ::testing::TestWithParam<CutCase> {};

TEST_P(FrameCutter, CutsTheChunksAsTheyCome) {
  Bytes buffer;
  std::vector<Bytes> frames;
  size_t invalid = 0;
  for (const auto& chunk : GetParam().chunks) {
    buffer.insert(buffer.end(), chunk.begin(), chunk.end());
    FrameCutState state;
    for (;;) {
      const FrameCut cut = CutNextFrame(state, buffer, kMaxFrame, IsSound);
      if (cut.outcome == CutOutcome::kNeedMore) {
        ASSERT_LE(cut.keepFrom, buffer.size());
        buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(cut.keepFrom));
        break;
      }
      ASSERT_LE(cut.open + cut.length, buffer.size());
      if (cut.outcome == CutOutcome::kInvalid) {
        ++invalid;
        continue;
      }
      frames.emplace_back(buffer.begin() + cut.open, buffer.begin() + cut.open + cut.length);
      // The closing mark opens the next search.
      EXPECT_EQ(state.pos, cut.open + cut.length - 1);
    }
  }
  EXPECT_EQ(frames, GetParam().frames);
  EXPECT_EQ(invalid, GetParam().invalid);
  EXPECT_EQ(buffer, GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(Table, FrameCutter, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
