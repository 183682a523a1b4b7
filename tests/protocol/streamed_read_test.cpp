// The streamed chip read on unit 1: the answer to 154 starts it, the chip's
// bytes come raw and go to the data buffer from address 0, and the read ends
// by its size, by silence with enough bytes, or by silence short of them.
#include <gtest/gtest.h>

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
  Start(8, 8192);
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
  std::vector<uint8_t> first(line.begin(), line.end() - 3);
  std::vector<uint8_t> second(line.end() - 3, line.end());
  second.insert(second.end(), data.begin(), data.end());
  Receive(first, 0);
  ASSERT_EQ(js->ReadStreaming, 1);
  EXPECT_EQ(js->ReadCount, 0u);
  Receive(second, 0);
  EXPECT_EQ(js->ReadCount, data.size());
  EXPECT_TRUE(BufferHolds(data));
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
