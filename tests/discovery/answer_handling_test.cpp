// What becomes of a connected unit's answers: sequence reports, error
// statuses and the firmware upgrade's block answers.
#include <gtest/gtest.h>

#include <algorithm>

#include "FirmwareImageWriter.h"
#include "UnitBench.h"
#include "protocol/AnswerHandling.h"
#include "protocol/Firmware.h"
#include "protocol/Frames.h"
#include "protocol/PacketBytes.h"
#include "protocol/Checks.h"

namespace {

struct AnswerTest : ::testing::Test, UnitBench {
  // Puts an answer packet (check value appended) on slot's line as the unit would.
  void Deliver(std::vector<uint8_t> packet, int slot) {
    uint16_t crc = PacketCRC16(packet.data(), 0, static_cast<uint32_t>(packet.size() - 1));
    packet.push_back(static_cast<uint8_t>(crc));
    packet.push_back(static_cast<uint8_t>(crc >> 8));
    std::vector<uint8_t> frame(MaxFrameLength(packet.size()));
    frame.resize(EncodeFrame(packet.data(), packet.size(), frame.data(), frame.size()));
    js->SlotConnected[slot] = 1;
    ReceiveSlotChunk(*js, frame.data(), frame.size(), slot, CheckedReceivedFrame);
  }
  bool Logged(const std::string& text) const {
    auto t = view.LogTexts();
    return std::find(t.begin(), t.end(), text) != t.end();
  }
};

// A short answer: header with payload length 1 and the status byte.
std::vector<uint8_t> StatusAnswer(uint8_t command, uint8_t status) {
  return {command, 0, 0, 0, 0, 0, 1, 0, status};
}

TEST_F(AnswerTest, ErrorStatusEndsTheRunningOperationAndShowsItsCode) {
  js->SlotOp[2] = kOpFirmwareUpgrade;
  js->SlotBusy[2] = 1;
  Deliver(StatusAnswer(0xB7, 0x15), 2);
  EXPECT_EQ(js->SlotOp[2], kOpIdle);
  EXPECT_EQ(js->SlotBusy[2], 0);
  EXPECT_EQ(view.gauges[2].color, GaugeColor::Red);
  ASSERT_EQ(view.errorBoxes.size(), 1u);
  EXPECT_EQ(view.errorBoxes[0], "Operation Failed,Error Code: 021");
  EXPECT_TRUE(Logged("C3: Operation Failed,Error Code: 021"));
}

TEST_F(AnswerTest, AnswersOfAnIdleSlotAreDropped) {
  Deliver(StatusAnswer(0xB7, 0x15), 0);
  Deliver(StatusAnswer(0xB7, 6), 0);
  EXPECT_EQ(js->SlotOp[0], kOpIdle);
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(view.errorBoxes.empty());
  EXPECT_TRUE(view.log.empty());
}

// Line noise between two answers is no answer: it must not end the operation
// as a packet error.
TEST_F(AnswerTest, NoiseBetweenAnswersLeavesTheOperationRunning) {
  std::vector<uint8_t> line;
  for (uint8_t status : {6, 0}) {
    std::vector<uint8_t> packet = StatusAnswer(149, status);
    uint16_t crc = unitsim::CheckValue(packet.data(), packet.size());
    packet.push_back(static_cast<uint8_t>(crc));
    packet.push_back(static_cast<uint8_t>(crc >> 8));
    unitsim::AppendFrame(packet, line);
    line.resize(line.size() - 5);  // this unit sends no padding
    if (status == 6) line.insert(line.end(), {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x01, 0x02});
  }
  js->SlotConnected[6] = 1;
  // Programming 64 KB by pages: both answers move it on by one page each.
  js->SlotOp[6] = kOpProgram149;
  js->SlotBusy[6] = 1;
  js->SlotBlockTotal[6] = 64;
  ReceiveSlotChunk(*js, line.data(), line.size(), 6, CheckedReceivedFrame);
  EXPECT_EQ(js->SlotOp[6], kOpProgram149);
  EXPECT_EQ(js->SlotKbIndex[6], 8u);
  EXPECT_EQ(js->SlotBusy[6], 1);
  EXPECT_TRUE(view.errorBoxes.empty());
  EXPECT_TRUE(view.log.empty());
}

TEST_F(AnswerTest, AFrameAsLongAsTheReceiveBufferReadsNoFurther) {
  auto& area = js->SlotRxBuf[3];
  area.fill(0x55);  // an opening mark and no closing one
  area[0] = 0xC0;
  // Longer than a packet and unclosed within the area: dropped whole.
  const ReceivedFrame received = DecodeSlotFrame(*js, area, 3);
  EXPECT_EQ(received.decoded, kFrameMalformed);
  EXPECT_TRUE(received.packet.empty());
}

TEST_F(AnswerTest, SequenceReportIsHandledWhateverTheSlotDoes) {
  // Completion report with a bad chip: counted NG without touching SlotOp.
  std::vector<uint8_t> report{0xFD, 0xF2, 0x31, 0x78, 0x56, 0x34, 0x12, 0};
  uint8_t sum = 0;
  for (uint8_t b : report) sum = static_cast<uint8_t>(sum + b);
  report[7] = static_cast<uint8_t>(-sum);
  std::vector<uint8_t> frame(MaxFrameLength(report.size()));
  frame.resize(EncodeFrame(report.data(), report.size(), frame.data(), frame.size()));
  js->SlotConnected[1] = 1;
  ReceiveSlotChunk(*js, frame.data(), frame.size(), 1, CheckedReceivedFrame);
  EXPECT_EQ(js->SlotNgCount[1], 1);
  EXPECT_EQ(js->NgCount, 1);
  EXPECT_EQ(js->SlotOp[1], kOpIdle);
}

TEST_F(AnswerTest, UpgradeOfAUnitWithBadCheckValuesFailsAtTheFirstAnswer) {
  std::vector<uint8_t> body(2 * 2048, 0x5A);
  std::string error;
  auto image = BuildFirmwareImage(body, "V2.10 test", 0x1234, error);
  ASSERT_FALSE(image.empty()) << error;
  ASSERT_EQ(LoadFirmwareImageData(*js, image), FirmwareLoadResult::Loaded);
  unitsim::UnitConfig config;
  config.BadCheckValue = true;
  auto& unit = Attach(4, config);
  StartFirmwareUpgrade(*js, 4);
  Pump();
  EXPECT_EQ(js->SlotOp[4], kOpIdle);
  EXPECT_EQ(view.gauges[4].color, GaugeColor::Red);
  EXPECT_TRUE(Logged("C5: Packet error!"));
  EXPECT_FALSE(unit.Upgraded());
}

}  // namespace
