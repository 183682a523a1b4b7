// The receive cycle of a connected slot: chunks in, frames out.
#include <gtest/gtest.h>

#include <memory>
#include <numeric>

#include "SimFraming.h"
#include "protocol/ReceiveBuffer.h"
#include "support/FakeView.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A frame around `content` as a unit sends it, with or without the padding.
Bytes Frame(const Bytes& content, bool padding = true) {
  Bytes out;
  unitsim::AppendFrame(content, out);
  if (!padding) out.resize(out.size() - 5);
  return out;
}

// A packet as a unit sends it: `size` bytes, the last two its check value.
Bytes Packet(uint8_t tag, size_t size = 12) {
  Bytes p(size - 2);
  std::iota(p.begin(), p.end(), tag);
  for (auto& b : p) if (b == 0xC0 || b == 0xDB) b = 0x11;
  uint16_t check = unitsim::CheckValue(p.data(), p.size());
  p.push_back(static_cast<uint8_t>(check));
  p.push_back(static_cast<uint8_t>(check >> 8));
  return p;
}

// The same packet with a wrong check value, as a line fault leaves it.
Bytes Corrupted(Bytes p) {
  p.back() ^= 0x5A;
  return p;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const auto& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

Bytes Slice(const Bytes& b, size_t from, size_t to) { return Bytes(b.begin() + from, b.begin() + to); }

struct RxFixture : ::testing::Test {
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  std::vector<Bytes> frames;
  int slot = 2;

  void SetUp() override { js->SlotConnected[slot] = 1; }

  void Feed(const Bytes& chunk) {
    ReceiveSlotChunk(*js, chunk.data(), chunk.size(), slot, [this](JobState&, const ReceivedFrame& f, int s) {
      EXPECT_EQ(s, slot);
      frames.emplace_back(f.frame.begin(), f.frame.end());
    });
  }
  Bytes Buffered() const {
    return Bytes(js->SlotRxBuf[slot].begin(), js->SlotRxBuf[slot].begin() + js->SlotRxCount[slot]);
  }
};

struct CycleCase {
  const char* name;
  std::vector<Bytes> chunks;
  std::vector<Bytes> frames;  // as handed over, marks included
};

void PrintTo(const CycleCase& c, std::ostream* os) { *os << c.name; }

const Bytes A = Packet(0x01), B = Packet(0x21), C = Packet(0x41), D = Packet(0x61), E = Packet(0x81);
const Bytes Noise{0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38};

const CycleCase kCycleCases[] = {
    {"TwoFramesInOneChunk", {Cat({Frame(A, false), Frame(B, false)})}, {Frame(A, false), Frame(B, false)}},
    {"FrameSplitOverTwoChunks",
     {Slice(Frame(A), 0, 6), Slice(Frame(A), 6, Frame(A).size())},
     {Frame(A, false)}},
    {"SplitRightBehindTheOpeningMark", {Cat({Frame(A), {0xC0}}), Cat({A, {0xC0}})}, {Frame(A, false), Frame(A, false)}},
    {"SplitRightBehindTheClosingMark", {Frame(A, false), Frame(B, false)}, {Frame(A, false), Frame(B, false)}},
    {"DoubledMarkInFront", {Cat({{0xC0}, Frame(A, false)})}, {Frame(A, false)}},
    {"BytesWithoutMarkThenAFrame", {Bytes{1, 2, 3, 4, 5}, Frame(A)}, {Frame(A, false)}},
    {"TrailingPadding", {Frame(A), Frame(B), Cat({Frame(C), Frame(D)})},
     {Frame(A, false), Frame(B, false), Frame(C, false), Frame(D, false)}},
    {"StaleHalfFrameThenFiveGoodFrames",
     {Cat({{0xC0, 0x93, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}}), Cat({Frame(A), Frame(B), Frame(C)}),
      Cat({Frame(D), Frame(E)})},
     // The half frame runs into A's opening mark and is handed over as it is.
     {Cat({{0xC0, 0x93, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xC0}}), Frame(A, false), Frame(B, false), Frame(C, false),
      Frame(D, false), Frame(E, false)}},
    {"ShortStaleHalfFrameIsDropped", {Bytes{0xC0, 0x93}, Cat({Frame(A), Frame(B)})}, {Frame(A, false), Frame(B, false)}},
    {"NoiseBehindThePadding", {Cat({Frame(A), {0x55, 0xAA, 0x13, 0x00, 0x01}, Frame(B)})},
     {Frame(A, false), Frame(B, false)}},
    // Bytes between two frames are skipped, padding or not.
    {"NoiseWithoutPadding", {Cat({Frame(A, false), Noise, Frame(B, false)})}, {Frame(A, false), Frame(B, false)}},
    {"NoiseSplitFromItsFrames", {Frame(A, false), Noise, Frame(B, false)}, {Frame(A, false), Frame(B, false)}},
    {"NoiseInTheChunkOfTheFrameBeforeIt", {Cat({Frame(A, false), Noise}), Frame(B, false)},
     {Frame(A, false), Frame(B, false)}},
    {"PaddingSplitOverTwoChunks", {Cat({Frame(A, false), {0xFF, 0xFF}}), Cat({{0xFF, 0xFF, 0xFF}, Frame(B)})},
     {Frame(A, false), Frame(B, false)}},
    // The half frame's closing mark is the opening mark of the frame behind
    // it, which the chunk cuts in two.
    {"StaleHalfFrameThenASplitFrame",
     {Cat({{0xC0, 0x93, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06}, Slice(Frame(A), 0, 6)}),
      Slice(Frame(A), 6, Frame(A).size())},
     {Cat({{0xC0, 0x93, 0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0xC0}}), Frame(A, false)}},
    // A frame of its own with a wrong check value is still handed over, so
    // that its error is told.
    {"CorruptFrameBehindAFrame", {Cat({Frame(A, false), Frame(Corrupted(B), false), Frame(C, false)})},
     {Frame(A, false), Frame(Corrupted(B), false), Frame(C, false)}},
    {"CorruptFrameBehindNoise", {Cat({Frame(A, false), Noise, Frame(Corrupted(B), false)})},
     {Frame(A, false), Frame(Corrupted(B), false)}},
};

class ReceiveCycle : public RxFixture, public ::testing::WithParamInterface<CycleCase> {};

TEST_P(ReceiveCycle, HandsOverTheFramesInOrder) {
  for (const auto& chunk : GetParam().chunks) Feed(chunk);
  EXPECT_EQ(frames, GetParam().frames);
}

INSTANTIATE_TEST_SUITE_P(Chunks, ReceiveCycle, ::testing::ValuesIn(kCycleCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RxFixture, TwoFramesLeaveTheBufferEmpty) {
  Feed(Cat({Frame(A, false), Frame(B, false)}));
  EXPECT_EQ(js->SlotRxCount[slot], 0);
}

TEST_F(RxFixture, HalfAFrameWaitsInTheBuffer) {
  Bytes f = Frame(A, false);
  Feed(Bytes(f.begin(), f.begin() + 5));
  EXPECT_TRUE(frames.empty());
  EXPECT_EQ(Buffered(), Bytes(f.begin(), f.begin() + 5));
}

TEST_F(RxFixture, TwoFramesAndTheStartOfAThirdKeepTheThirdsStart) {
  Bytes third = Frame(C);
  Bytes start(third.begin(), third.begin() + 6);
  Feed(Cat({Frame(A), Frame(B), start}));
  EXPECT_EQ(frames, (std::vector<Bytes>{Frame(A, false), Frame(B, false)}));
  EXPECT_EQ(Buffered(), start);
  Feed(Bytes(third.begin() + 6, third.end()));
  EXPECT_EQ(frames.back(), Frame(C, false));
}

TEST_F(RxFixture, BytesWithoutMarkStayUntilAFrameFollows) {
  Feed({1, 2, 3});
  EXPECT_EQ(Buffered(), (Bytes{1, 2, 3}));
  Feed(Frame(A, false));
  EXPECT_EQ(frames.size(), 1u);
  EXPECT_EQ(js->SlotRxCount[slot], 0);
}

TEST_F(RxFixture, EachChunkRearmsTheSlotsTimeOut) {
  const int32_t ticks[kSlotCount] = {500, 500, 500, 500, 500, 600, 700, 800};
  for (int s = 0; s < kSlotCount; ++s) {
    slot = s;
    js->SlotConnected[s] = 1;
    Feed({0x01});
    EXPECT_EQ(js->SlotTimeout[s], ticks[s]) << s;
  }
}

TEST_F(RxFixture, LongRunWithoutClosingMarkStaysInsideTheBuffers) {
  // An opening mark, then far more bytes than both buffers hold.
  Feed({0xC0});
  Bytes run(2048, 0x5A);
  for (int i = 0; i < 40; ++i) {
    Feed(run);
    ASSERT_LE(js->SlotRxCount[slot], js->SlotRxBuf[slot].size());
  }
  EXPECT_TRUE(frames.empty());
  // A frame that follows is still found whole.
  Feed(Frame(B));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], Frame(B, false));
}

TEST_F(RxFixture, OverLongFrameIsDroppedAndTheNextOneFound) {
  Bytes longContent(kSlotFrameSize, 0x5A);
  Feed(Cat({{0xC0}, longContent, {0xC0}}));
  Feed(Frame(A));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], Frame(A, false));
}

TEST_F(RxFixture, LargestValidFrameSurvivesGarbageAndSmallChunks) {
  // A whole packet area of bytes that all need escaping: the longest valid frame.
  Bytes content(kTxPacketSize, 0xC0);
  Bytes all = Cat({Bytes(5000, 0x33), Frame(content)});
  for (size_t at = 0; at < all.size(); at += 1000)
    Feed(Bytes(all.begin() + at, all.begin() + std::min(all.size(), at + 1000)));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], Frame(content, false));
}

TEST_F(RxFixture, OneLargeDeliveryIsCutInReadSizedSteps) {
  Bytes content(kTxPacketSize, 0xDB);
  Bytes all = Cat({Bytes(30000, 0x33), Frame(content), Frame(A)});
  Feed(all);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], Frame(content, false));
}

}  // namespace
