// The streamed chip read on unit 1: the answer to 154 starts it, the chip's
// bytes come raw and go to the data buffer from address 0, and the read ends
// by its size, by silence with enough bytes, or by silence short of them.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "AnswerFixture.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"
#include "protocol/StreamedRead.h"

namespace {

constexpr size_t kPadding = 5;

struct StreamTest : AnswerFixture {
  // The unit's answer accepting command 154, as it comes on the line.
  std::vector<uint8_t> Acceptance() const { return FrameOf(AnswerPacket(154, StatusPayload(0))); }

  void Start(uint32_t dataSizeKB, uint32_t readLength) {
    js->DataSizeKB = dataSizeKB;
    js->ReadLength = readLength;
    Arm(0, kOpReadChip154);
    Receive(Acceptance(), 0);
    ASSERT_EQ(js->ReadStreaming, 1);
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) TickSlotTimeouts(*js);
  }
  bool BufferHolds(const std::vector<uint8_t>& data, size_t at = 0) const {
    return std::equal(data.begin(), data.end(), js->DataBuffer.get() + at);
  }
};

TEST_F(StreamTest, AcceptanceHandsSlotZeroToTheStream) {
  js->ReadLength = 5000;
  js->DataSizeKB = 8;
  Arm(0, kOpReadChip154);
  Answer(0, StatusPayload(6));
  EXPECT_EQ(js->ReadStreaming, 1);
  EXPECT_EQ(js->ReadCount, 0u);
  EXPECT_EQ(js->SlotTimeout[0], 50);
  EXPECT_EQ(js->SlotBusy[0], 0);
  EXPECT_EQ(js->SlotOp[0], kOpIdle);
  EXPECT_EQ(view.gauges[0].max, 5);  // 5000 bytes: five kilobytes begun
  EXPECT_FALSE(SlotReady(*js, 0));   // no new command mid-stream
  EXPECT_TRUE(view.log.empty());
}

TEST_F(StreamTest, ReadOfTheDataSizeCompletesAndLoadsTheBuffer) {
  Start(8, 8192);
  const std::vector<uint8_t> data = Counting(8192, 3);
  Receive({data.begin(), data.begin() + 3000}, 0);
  EXPECT_EQ(js->SlotTimeout[0], 100);
  EXPECT_EQ(view.gauges[0].progress, 2);
  EXPECT_EQ(js->ReadStreaming, 1);
  Receive({data.begin() + 3000, data.end()}, 0);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_EQ(js->SlotTimeout[0], 0);
  EXPECT_EQ(view.gauges[0].progress, view.gauges[0].max);
  EXPECT_TRUE(BufferHolds(data));
  EXPECT_EQ(view.readCounts, (std::vector<uint32_t>{3000, 8192}));
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{"Chip Data has been read out."});
  EXPECT_TRUE(SlotReady(*js, 0));
}

TEST_F(StreamTest, ChipUnder1KBCompletesOnItsFirstBlock) {
  Start(0, 512);
  Receive(Counting(100, 1), 0);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{"Chip Data has been read out."});
}

TEST_F(StreamTest, ShortReadLengthEndsBySilenceAsSuccess) {
  Start(8, 4096);
  js->DataLoaded = 1;  // unchanged on this path
  Receive(Counting(4096, 2), 0);
  Ticks(99);
  EXPECT_EQ(js->ReadStreaming, 1);
  Ticks(1);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_EQ(view.gauges[0].progress, view.gauges[0].max);
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{"Chip data has been read out successfully!"});
}

TEST_F(StreamTest, FewerBytesThanAskedEndBySilenceAndUnloadTheBuffer) {
  Start(8, 8192);
  js->DataLoaded = 1;  // an image loaded from a file, now partly overwritten
  Receive(Counting(1000, 2), 0);
  const int progress = view.gauges[0].progress;
  Ticks(100);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->DataLoaded, 0);
  EXPECT_EQ(view.gauges[0].progress, progress);
  EXPECT_EQ(SlotTexts(0),
            (std::vector<std::string>{"Time out when Read Chip data!",
                                      "Read not completed: the data buffer no longer holds loaded data!"}));
}

TEST_F(StreamTest, NoDataAtAllEndsAfterFiftyTicksAndKeepsTheBuffer) {
  js->DataSizeKB = 8;
  js->ReadLength = 8192;
  Arm(0, kOpReadChip154);
  std::vector<uint8_t> unpadded = Acceptance();
  unpadded.resize(unpadded.size() - kPadding);
  Receive(unpadded, 0);
  ASSERT_EQ(js->ReadStreaming, 1);
  js->DataLoaded = 1;
  Ticks(49);
  EXPECT_EQ(js->ReadStreaming, 1);
  Ticks(1);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{"Time out when Read Chip data!"});
}

// The unit starts streaming right behind its answer: what the same chunk
// carries after the frame is the chip's first bytes.
TEST_F(StreamTest, DataInTheChunkOfTheAcceptanceLandAtOffsetZero) {
  js->DataSizeKB = 8;
  js->ReadLength = 8192;
  Arm(0, kOpReadChip154);
  const std::vector<uint8_t> data = Counting(1500, 9);
  std::vector<uint8_t> line = Acceptance();
  line.insert(line.end(), data.begin(), data.end());
  Receive(line, 0);
  EXPECT_EQ(js->ReadStreaming, 1);
  EXPECT_EQ(js->ReadCount, data.size());
  EXPECT_TRUE(BufferHolds(data));
  EXPECT_EQ(js->SlotRxCount[0], 0);
}

// Larger than one read: the rest of the delivery after the chunk holding the
// answer goes to the stream too.
TEST_F(StreamTest, DataBeyondTheFirstReadSizedStepFollowInOrder) {
  js->DataSizeKB = 8;
  js->ReadLength = 8192;
  Arm(0, kOpReadChip154);
  const std::vector<uint8_t> data = Counting(6000, 4);
  std::vector<uint8_t> line = Acceptance();
  line.insert(line.end(), data.begin(), data.end());
  Receive(line, 0);
  EXPECT_EQ(js->ReadCount, data.size());
  EXPECT_TRUE(BufferHolds(data));
}

// The chip's own leading 0xFF bytes (an erased start) are data; only the
// answer's padding is skipped, even when it comes in a chunk of its own.
TEST_F(StreamTest, PaddingSplitFromItsFrameIsSkippedAndErasedBytesKept) {
  js->DataSizeKB = 8;
  js->ReadLength = 8192;
  Arm(0, kOpReadChip154);
  std::vector<uint8_t> line = Acceptance();
  ASSERT_EQ(std::vector<uint8_t>(line.end() - kPadding, line.end()), std::vector<uint8_t>(kPadding, 0xFF));
  std::vector<uint8_t> data(10, 0xFF);
  data.push_back(0x12);
  // The cut falls three bytes into the padding.
  const size_t cut = line.size() - 3;
  line.insert(line.end(), data.begin(), data.end());
  std::vector<uint8_t> first(line.begin(), line.begin() + cut);
  std::vector<uint8_t> second(line.begin() + cut, line.end());
  Receive(first, 0);
  ASSERT_EQ(js->ReadStreaming, 1);
  EXPECT_EQ(js->ReadCount, 0u);
  Receive(second, 0);
  EXPECT_EQ(js->ReadCount, data.size());
  EXPECT_TRUE(BufferHolds(data));
}

// The padding is the unit's first sign of the stream: a unit that pauses
// behind it, up to one silence count, still gets its read through, whether
// the padding came with the answer or in a chunk of its own.
struct PausedStart {
  const char* name;
  bool paddingAlone;  // the padding arrives in a chunk of its own
  int pauseTicks;     // silence behind the padding
};
void PrintTo(const PausedStart& c, std::ostream* os) { *os << c.name; }

struct PausedStartTest : StreamTest, ::testing::WithParamInterface<PausedStart> {};

TEST_P(PausedStartTest, ReadCompletesAfterThePause) {
  const PausedStart& c = GetParam();
  js->DataSizeKB = 4;
  js->ReadLength = 4096;
  Arm(0, kOpReadChip154);
  std::vector<uint8_t> line = Acceptance();
  if (c.paddingAlone) {
    Receive({line.begin(), line.end() - kPadding}, 0);
    Ticks(10);
    Receive({line.end() - kPadding, line.end()}, 0);
  } else {
    Receive(line, 0);
  }
  EXPECT_EQ(js->SlotTimeout[0], 100);
  Ticks(c.pauseTicks);
  ASSERT_EQ(js->ReadStreaming, 1) << "the read gave up during the pause";
  const std::vector<uint8_t> chip = Counting(4096, 0x21);
  Receive({chip.begin(), chip.begin() + 2048}, 0);
  Ticks(c.pauseTicks);
  Receive({chip.begin() + 2048, chip.end()}, 0);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_TRUE(BufferHolds(chip));
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{"Chip Data has been read out."});
}

INSTANTIATE_TEST_SUITE_P(
    Padding, PausedStartTest,
    ::testing::Values(PausedStart{"alone_then_half_a_second", true, 50},
                      PausedStart{"alone_then_almost_a_second", true, 99},
                      PausedStart{"with_the_answer_then_almost_a_second", false, 99}),
    [](const ::testing::TestParamInfo<PausedStart>& info) { return std::string(info.param.name); });

// The padding re-arms the count once; a unit that sends nothing more times
// out one silence count after it, and the padding is no data.
TEST_F(StreamTest, PaddingAloneThenSilenceEndsAsATimeOut) {
  js->DataSizeKB = 4;
  js->ReadLength = 4096;
  Arm(0, kOpReadChip154);
  js->DataLoaded = 1;
  std::vector<uint8_t> line = Acceptance();
  Receive({line.begin(), line.end() - kPadding}, 0);
  Receive({line.end() - kPadding, line.end()}, 0);
  Ticks(99);
  EXPECT_EQ(js->ReadStreaming, 1);
  Ticks(1);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->ReadCount, 0u);
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{"Time out when Read Chip data!"});
}

// --- Padding or data: told by the counts, never by the value 0xFF ----------------

// A unit answers 154, sends five 0xFF behind the answer when it pads, then
// streams the chip's bytes; the serial port hands them over in chunks of at
// most 2048 bytes.
struct LineCase {
  const char* name;
  bool padded;
  size_t erasedLead;    // the chip's own leading 0xFF bytes
  size_t streamed;      // chip bytes the unit sends (all 0xFF: a blank chip)
  bool blank;
  uint32_t dataSizeKB;  // the size the read asks the unit for, in kilobytes
  uint32_t readLength;
  size_t firstChunk;    // bytes behind the answer's closing mark in its chunk
  bool waitsForSilence; // the end needs the silence count (else the count ends it)
  const char* end;      // the last slot text
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }

struct StreamLineTest : StreamTest, ::testing::WithParamInterface<LineCase> {
  std::vector<uint8_t> Chip(const LineCase& c) const {
    std::vector<uint8_t> chip = c.blank ? std::vector<uint8_t>(c.streamed, 0xFF) : Counting(c.streamed, 0x40);
    std::fill_n(chip.begin(), std::min(c.erasedLead, chip.size()), uint8_t{0xFF});
    if (!c.blank && c.erasedLead < chip.size() && chip[c.erasedLead] == 0xFF) chip[c.erasedLead] = 0x5A;
    return chip;
  }
};

TEST_P(StreamLineTest, ChipBytesLandFromAddressZero) {
  const LineCase& c = GetParam();
  js->DataSizeKB = c.dataSizeKB;
  js->ReadLength = c.readLength;
  Arm(0, kOpReadChip154);
  std::vector<uint8_t> line = Acceptance();
  const size_t frameEnd = line.size() - kPadding;
  if (!c.padded) line.resize(frameEnd);
  const std::vector<uint8_t> chip = Chip(c);
  line.insert(line.end(), chip.begin(), chip.end());

  size_t at = std::min(line.size(), frameEnd + c.firstChunk);
  Receive({line.begin(), line.begin() + static_cast<long>(at)}, 0);
  ASSERT_EQ(js->SlotOp[0], kOpIdle);
  while (at < line.size()) {
    const size_t n = std::min(kReadChunkSize, line.size() - at);
    Receive({line.begin() + static_cast<long>(at), line.begin() + static_cast<long>(at + n)}, 0);
    at += n;
  }
  EXPECT_EQ(js->ReadStreaming, c.waitsForSilence ? 1 : 0);
  Ticks(99);
  EXPECT_EQ(js->ReadStreaming, c.waitsForSilence ? 1 : 0);
  Ticks(1);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->ReadCount, chip.size());
  EXPECT_TRUE(BufferHolds(chip));
  EXPECT_EQ(js->DataBuffer[chip.size()], 0);  // nothing behind the chip's bytes
  EXPECT_EQ(SlotTexts(0), std::vector<std::string>{c.end});
  EXPECT_EQ(js->DataLoaded, std::string(c.end) == "Chip Data has been read out." ? 1 : 0);
}

constexpr const char* kByCount = "Chip Data has been read out.";
constexpr const char* kBySilence = "Chip data has been read out successfully!";

INSTANTIATE_TEST_SUITE_P(
    PaddedOrNot, StreamLineTest,
    ::testing::Values(
        // name, padded, erasedLead, streamed, blank, KB, readLength, firstChunk, waits, end
        LineCase{"padded_blank_in_later_chunks", true, 0, 8192, true, 8, 8192, 5, false, kByCount},
        LineCase{"unpadded_blank_in_later_chunks", false, 0, 8192, true, 8, 8192, 0, true, kByCount},
        LineCase{"padded_blank_in_answer_chunk", true, 0, 8192, true, 8, 8192, 2000, false, kByCount},
        LineCase{"unpadded_blank_in_answer_chunk", false, 0, 8192, true, 8, 8192, 2000, true, kByCount},
        LineCase{"padded_pattern", true, 0, 8192, false, 8, 8192, 1500, false, kByCount},
        LineCase{"unpadded_pattern", false, 0, 8192, false, 8, 8192, 1500, false, kByCount},
        // A shorter read length: the unit still streams the asked kilobytes.
        LineCase{"unpadded_three_erased_short_length", false, 3, 2048, false, 2, 1792, 0, false,
                 kByCount},
        LineCase{"padded_three_erased_short_length", true, 3, 2048, false, 2, 1792, 0, false, kByCount},
        LineCase{"unpadded_three_erased_in_answer_chunk", false, 3, 2048, false, 2, 1792, 2, false,
                 kByCount},
        // Five and more erased bytes look like padding until the count tells.
        LineCase{"unpadded_seven_erased", false, 7, 4096, false, 4, 4096, 6, true, kByCount},
        LineCase{"padded_seven_erased_padding_split", true, 7, 4096, false, 4, 4096, 3, false, kByCount},
        LineCase{"unpadded_five_erased", false, 5, 4096, false, 4, 4096, 0, true, kByCount},
        LineCase{"unpadded_four_erased", false, 4, 4096, false, 4, 4096, 4, false, kByCount},
        // A unit that streams only the read length ends by the silence.
        LineCase{"padded_blank_read_length_only", true, 0, 1792, true, 2, 1792, 0, true, kBySilence},
        LineCase{"unpadded_blank_read_length_only", false, 0, 1792, true, 2, 1792, 0, true, kBySilence},
        LineCase{"unpadded_erased_read_length_only", false, 6, 1792, false, 2, 1792, 100, true,
                 kBySilence}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

// A stream cut short cannot show whether five held bytes were padding;
// either way it stays a time-out, never a read that looks whole.
TEST_F(StreamTest, BlankStreamCutShortStaysATimeOut) {
  Start(8, 8192);
  js->DataLoaded = 1;
  Receive(std::vector<uint8_t>(8190 - kPadding, 0xFF), 0);
  Ticks(100);
  EXPECT_EQ(js->ReadStreaming, 0);
  EXPECT_EQ(js->DataLoaded, 0);
  EXPECT_EQ(SlotTexts(0),
            (std::vector<std::string>{"Time out when Read Chip data!",
                                      "Read not completed: the data buffer no longer holds loaded data!"}));
}

TEST_F(StreamTest, StreamNeverWritesPastTheBuffer) {
  js->ReadStreaming = 1;
  js->ReadCount = kDataBufferSize - 2;
  js->DataSizeKB = kDataBufferSize / 1024 + 1;
  Receive({0x01, 0x02, 0x03, 0x04}, 0);
  EXPECT_EQ(js->DataBuffer[kDataBufferSize - 1], 0x02);
  EXPECT_EQ(js->ReadCount, kDataBufferSize + 2);
}

TEST_F(StreamTest, OtherSlotsKeepTheirFramesDuringTheStream) {
  Start(8, 8192);
  Arm(3, kOpAddressWrite);
  Receive(FrameOf(AnswerPacket(147, StatusPayload(0))), 3);
  EXPECT_EQ(js->SlotOp[3], kOpIdle);
  EXPECT_EQ(SlotTexts(3), (std::vector<std::string>{"Write Specific Address Success!", "Operation Success!"}));
  EXPECT_EQ(js->ReadCount, 0u);
}

}  // namespace
