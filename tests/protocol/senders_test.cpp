#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/RecordingPort.h"
#include "messages/Format.h"
#include "protocol/Checks.h"
#include "protocol/ChipParamBlock.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"
#include "protocol/SealedSettings.h"
#include "protocol/Senders.h"
#include "support/FakeView.h"

namespace {

using Bytes = std::vector<uint8_t>;

uint16_t LE16(const Bytes& p, size_t at) { return static_cast<uint16_t>(p[at] | p[at + 1] << 8); }
uint32_t LE32(const Bytes& p, size_t at) { return LE16(p, at) | uint32_t{LE16(p, at + 2)} << 16; }

Bytes Slice(const Bytes& p, size_t from, size_t count) {
  return Bytes(p.begin() + from, p.begin() + from + count);
}

class SendersTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    js_ = std::make_unique<JobState>().release();
    InitChipParams(*js_);
  }
  static void TearDownTestSuite() { delete js_; }

  void SetUp() override { Reset(); }
  // Tests change chip fields freely; the next one starts from the defaults.
  void TearDown() override { InitChipParams(js()); }

  // A fresh slot table and recorders, the job's chip at a known state.
  void Reset() {
    for (int i = 0; i < kSlotCount; ++i) {
      recorders_[i].sent.clear();
      ports_[i] = &recorders_[i];
    }
    view_.log.clear();
    view_.boxes.clear();
    InitSlotTables(js(), ports_, view_.GaugePointers());
    js().LogMemo = &view_;
    js().ChipFamily = 0xA0;
    js().ChipSubType = 0x05;
    js().DataSizeKB = 0;
  }

  JobState& js() { return *js_; }

  // The one packet sent on the slot, unframed and with its check value verified.
  Bytes SentPacket(int slot) {
    EXPECT_EQ(recorders_[slot].sent.size(), 1u);
    if (recorders_[slot].sent.empty()) return {};
    Bytes frame = recorders_[slot].sent.back();
    Bytes packet(kTxPacketSize);
    size_t packetLength = 0, frameLength = frame.size();
    EXPECT_EQ(DecodeFrame(frame.data(), packet.data(), packet.size(), packetLength, frameLength), kFrameOk);
    EXPECT_EQ(frameLength, 5u);  // only the 0xFF padding is left
    packet.resize(packetLength);
    EXPECT_EQ(LE16(packet, packetLength - 2), PacketCRC16(packet.data(), 0, static_cast<uint32_t>(packetLength - 3)));
    return packet;
  }

  static JobState* js_;
  std::array<RecordingPort, kSlotCount> recorders_;
  std::array<ISlotPort*, kSlotCount> ports_{};
  FakeView view_;
};

JobState* SendersTest::js_ = nullptr;

}  // namespace

TEST_F(SendersTest, EdgeCasePackets) {
  struct Case {
    const char* name;
    std::function<void(JobState&)> setUp;
    std::function<void(JobState&, int)> send;
    size_t length;
    Bytes head;  // the packet's first bytes
    std::function<void(JobState&, const Bytes&)> check;
  };
  const Case cases[] = {
      {"erase command: header and chip-parameter block", nullptr,
       [](JobState& j, int s) { SendChipCommand(j, 147, 3, s); }, 58,
       {0x93, 0x03, 0x00, 0x00, 0xA0, 0x05, 0x30, 0x00},
       [](JobState& j, const Bytes& p) {
         EXPECT_EQ(p[8 + 3], 0x20);
         EXPECT_EQ(p[8 + 4], 0xA0);
         EXPECT_EQ(p[8 + 5], 0x05);
         EXPECT_EQ(LE16(p, 8 + 8), 8);       // PageSize
         EXPECT_EQ(LE32(p, 8 + 16), 2048u);  // ChipSize
         EXPECT_EQ(p[8 + 22], 0xA0);         // I2CDevAddr
         EXPECT_EQ(Slice(p, 8 + 32, 8), Bytes(j.ChipOpBytes.begin(), j.ChipOpBytes.end()));
         for (size_t at : {6u, 10u, 11u}) EXPECT_LT(p[8 + at], 255) << at;
       }},
      {"64 KB blocks rounded up", [](JobState& j) { j.DataSizeKB = 130; },
       [](JobState& j, int s) { SendCommand16(j, 150, s); }, 26,
       {150, 0, 0, 0x00, 0xA0, 0x05, 16, 0, 3, 0, 0, 0, 0, 0, 0xE0, 0x79, 0, 0, 0, 0, 0, 0, 0, 0},
       nullptr},
      {"data size in bytes behind the block", [](JobState& j) { j.DataSizeKB = 2048; },
       [](JobState& j, int s) { SendCommandWithChipParams(j, 154, s); }, 74,
       {154, 0, 0, 0x20, 0xA0, 0x05, 64, 0},
       [](JobState&, const Bytes& p) {
         EXPECT_EQ(Slice(p, 56, 4), (Bytes{0x00, 0x00, 0x20, 0x00}));
         EXPECT_EQ(Slice(p, 60, 12), Bytes(12, 0));
         EXPECT_EQ(LE16(p, 8 + 20), 2048);
       }},
      {"off-line monitor", nullptr, [](JobState& j, int s) { SendOffLineMonitor(j, 134, s); }, 12,
       {134, 'R', 'E', 'S', 'T', 0xA8, 2, 0, 0, 0}, nullptr},
      {"two unassigned payload bytes", nullptr, [](JobState& j, int s) { SendCommand2(j, 57, 0, s); },
       12, {57, 0, 0, 0x20, 0xA0, 0x05, 2, 0}, nullptr},
      {"read a kilobyte block", nullptr, [](JobState& j, int s) { SendChipCommand(j, 155, 0x1234, s); },
       58, {155, 0x34, 0x12, 0x00, 0xA0, 0x05, 0x30, 0x00}, nullptr},
      {"data page", [](JobState& j) { for (int i = 0; i < 4096; ++i) j.DataBuffer[8 * 1024 + i] = static_cast<uint8_t>(i * 7); },
       [](JobState& j, int s) { SendDataPage(j, 85, 8, 0, s); }, 4106,
       {85, 8, 0, 0x00, 0xA0, 0x05, 0x00, 0x10},
       [](JobState& j, const Bytes& p) { EXPECT_EQ(Slice(p, 8, 4096), Bytes(&j.DataBuffer[8192], &j.DataBuffer[8192 + 4096])); }},
      {"program pages", [](JobState& j) { for (int i = 0; i < 4096 + 16; ++i) j.DataBuffer[4 * 1024 + i] = static_cast<uint8_t>(i * 3); },
       [](JobState& j, int s) { SendProgramPages(j, 149, 4, 16, s); }, 4154,
       {149, 4, 0, 0x00, 0xA0, 0x05, 0x30, 0x10},
       [](JobState& j, const Bytes& p) { EXPECT_EQ(Slice(p, 56, 4096), Bytes(&j.DataBuffer[4096 + 16], &j.DataBuffer[4096 + 16 + 4096])); }},
      {"528-byte pages at kilobyte 4",
       [](JobState& j) {
         j.ChipFamily = 32;
         for (int i = 0; i < 8192; ++i) j.DataBuffer[i] = static_cast<uint8_t>(i / 512 + 1);
         for (int i = 0; i < 512; ++i) j.PageSpareArea()[i] = static_cast<uint8_t>(0x80 + i / 16);
       },
       [](JobState& j, int s) { SendProgramPages(j, 149, 4, 100, s); }, 4282,
       {149, 4, 0, 0x00, 32, 0x05, 0xB0, 0x10},
       [](JobState&, const Bytes& p) {
         for (int page = 0; page < 8; ++page) {
           SCOPED_TRACE(page);
           size_t at = 56 + page * 528;
           EXPECT_EQ(Slice(p, at, 512), Bytes(512, static_cast<uint8_t>(8 + page + 1)));  // data from 4096
           EXPECT_EQ(Slice(p, at + 512, 16), Bytes(16, static_cast<uint8_t>(0x80 + 8 + page)));  // spare 128..255
         }
       }},
      {"address write", [](JobState& j) { j.AddrWriteAddr = 0x0010; j.AddrWriteLen = 2; j.AddrWriteData = {'H', 'i'}; },
       [](JobState& j, int s) { EXPECT_TRUE(SendAddressWrite(j, s)); }, 64,
       {0x93, 0xA9, 0x00, 0x00, 0xA0, 0x05, 54, 0},
       [](JobState&, const Bytes& p) { EXPECT_EQ(Slice(p, 56, 6), (Bytes{0x10, 0x00, 0x02, 0x00, 'H', 'i'})); }},
      {"address write filling the packet area",
       [](JobState& j) { j.AddrWriteLen = static_cast<uint16_t>(kAddrWriteMaxLen); j.AddrWriteData.assign(kAddrWriteMaxLen, 0xC0); },
       [](JobState& j, int s) { EXPECT_TRUE(SendAddressWrite(j, s)); }, kTxPacketSize,
       {0x93, 0xA9, 0x00, 0x00, 0xA0, 0x05, static_cast<uint8_t>(kAddrWriteMaxLen + 52), static_cast<uint8_t>((kAddrWriteMaxLen + 52) >> 8)},
       nullptr},
  };
  int slot = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    slot = (slot + 3) % kSlotCount;
    if (c.setUp) c.setUp(js());
    SealSlotSettings(js(), slot);  // as a command does when it starts
    c.send(js(), slot);
    Bytes p = SentPacket(slot);
    ASSERT_EQ(p.size(), c.length);
    EXPECT_EQ(Slice(p, 0, c.head.size()), c.head);
    EXPECT_EQ(LE16(p, 6), c.length - 10);
    if (c.check) c.check(js(), p);
    for (int other = 0; other < kSlotCount; ++other) {
      if (other != slot) {
        EXPECT_TRUE(recorders_[other].sent.empty()) << other;
      }
    }
  }
}

TEST_F(SendersTest, ProbeAndOffLineMonitorAreExactBytes) {
  SendProbe(js(), 2);
  ASSERT_EQ(recorders_[2].sent.size(), 1u);
  EXPECT_EQ(recorders_[2].sent[0], (Bytes{0xC0, 0xA3, 0xA5, 0x35, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
  SendOffLineMonitor(js(), 138, 6);
  ASSERT_EQ(recorders_[6].sent.size(), 1u);
  EXPECT_EQ(recorders_[6].sent[0], (Bytes{0xC0, 0x8A, 0x52, 0x45, 0x53, 0x54, 0xA8, 0x02, 0x00, 0x00, 0x00,
                                         0xCD, 0x02, 0xC0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
}

TEST_F(SendersTest, ConfigurationPacketWithoutAFile) {
  js().SelChipName = "AT24C256-LONGER-THAN-SIXTEEN";
  js().DataFileName.clear();
  js().SNEnabled = 15;
  js().SNLength = 4;
  js().SNGain = -3;
  js().DeviceCount = 3;
  js().SNAddress = -1;
  js().SNValue = 0x12345678;
  js().CountLimit = 1000;
  js().ChipInTime = -2;
  js().ShownChecksum = 0xCAFEF00D;
  js().TxPacket[4].fill(0x5A);  // what bytes 257-263 keep
  SealSlotSettings(js(), 4);
  SendChipConfig(js(), 83, 0x0100, 4);
  Bytes p = SentPacket(4);
  ASSERT_EQ(p.size(), 270u);
  EXPECT_EQ(Slice(p, 0, 12), (Bytes{83, 0x00, 0x01, 0x20, 0xA0, 0x05, 0x04, 0x01, 'Q', 'J', 'V', 'B'}));
  EXPECT_EQ(p[12 + 3], 0x20);
  EXPECT_EQ(LE32(p, 12 + 16), js().ChipSize);
  EXPECT_EQ(p[60], 15);
  EXPECT_EQ(p[61], 4);
  EXPECT_EQ(p[62], 0xF7);  // 3 * -3 modulo 256
  EXPECT_EQ(LE32(p, 64), 0xFFFFFFFFu);
  EXPECT_EQ(LE32(p, 68), 0x12345678u);
  EXPECT_EQ(LE32(p, 78), 1000u);
  EXPECT_EQ(LE16(p, 82), 0xFFFE);
  EXPECT_EQ(LE32(p, 86), 0xCAFEF00Du);
  EXPECT_EQ(std::string(p.begin() + 92, p.begin() + 108), "AT24C256-LONGER-");
  EXPECT_EQ(p[108], '?');
  EXPECT_EQ(Slice(p, 109, 47), Bytes(47, 0));
  for (size_t i = 156; i < 257; ++i) EXPECT_LT(p[i], 255) << i;
  EXPECT_EQ(Slice(p, 257, 7), Bytes(7, 0x5A));
  // The three check fields, computed here from their definitions.
  uint16_t inner = 0;
  for (size_t i = 8; i <= 263; ++i) {
    bool low = inner & 1;
    inner = static_cast<uint16_t>((inner >> 1) ^ p[i] ^ (low ? 0x4A12 : 0));
  }
  EXPECT_EQ(LE16(p, 264), inner);
  uint32_t sum = 0;
  for (size_t i = 8; i <= 265; ++i) sum += p[i];
  EXPECT_EQ(LE16(p, 266), sum & 0xFFFF);
  EXPECT_EQ(CheckPacket(p.data(), p.size()), 0);
}

TEST_F(SendersTest, ConfigurationPacketTextFields) {
  js().SelChipName = "W25Q64";
  js().DataFileName = "image.bin";
  SealSlotSettings(js(), 1);
  SendChipConfig(js(), 83, 0, 1);
  Bytes p = SentPacket(1);
  EXPECT_EQ(Slice(p, 92, 16), (Bytes{'W', '2', '5', 'Q', '6', '4', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(std::string(p.begin() + 108, p.begin() + 117), "image.bin");
  EXPECT_EQ(Slice(p, 117, 39), Bytes(39, 0));
}

TEST_F(SendersTest, ConfigurationPacketTextsGoInTheLegacyCodePageCutAtWholeCharacters) {
  js().SelChipName = "芯片W25Q64é";  // 4 + 6 + 2 bytes
  // "a" and 30 Chinese characters: 61 bytes, cut after 23 characters (47 bytes).
  std::string name = "a";
  for (int i = 0; i < 10; ++i) name += "生产数";
  js().DataFileName = name;
  SealSlotSettings(js(), 2);
  SendChipConfig(js(), 83, 0, 2);
  Bytes p = SentPacket(2);
  EXPECT_EQ(Slice(p, 92, 16), (Bytes{0xD0, 0xBE, 0xC6, 0xAC, 'W', '2', '5', 'Q', '6', '4', 0xA8, 0xA6, 0, 0, 0, 0}));
  const Bytes triple{0xC9, 0xFA, 0xB2, 0xFA, 0xCA, 0xFD};  // 生产数
  EXPECT_EQ(p[108], 'a');
  for (size_t i = 0; i < 7; ++i) EXPECT_EQ(Slice(p, 109 + 6 * i, 6), triple) << i;
  EXPECT_EQ(Slice(p, 151, 4), Slice(triple, 0, 4));
  EXPECT_EQ(p[155], 0);  // half of the next character would not fit
}

TEST_F(SendersTest, TooLongAddressWriteIsRefusedAndSendsNothing) {
  js().AddrWriteAddr = 0;
  js().AddrWriteLen = static_cast<uint16_t>(kAddrWriteMaxLen + 1);  // packet of 8193 bytes
  js().AddrWriteData.assign(js().AddrWriteLen, 0x11);
  js().TxPacket[0].fill(0x77);
  SealSlotSettings(js(), 0);
  EXPECT_FALSE(SendAddressWrite(js(), 0));
  EXPECT_TRUE(recorders_[0].sent.empty());
  for (uint8_t b : js().TxPacket[0]) ASSERT_EQ(b, 0x77);
  ASSERT_EQ(view_.boxes.size(), 1u);
  EXPECT_EQ(view_.boxes[0], "Address Write refused: 8131 data bytes, at most 8130 fit!");
  ASSERT_EQ(view_.LogTexts().size(), 1u);
  EXPECT_EQ(view_.LogTexts()[0], "C1: " + view_.boxes[0]);

  js().AddrWriteLen = 0xFFFF;
  SealSlotSettings(js(), 0);
  EXPECT_FALSE(SendAddressWrite(js(), 0));
  // Data that does not hold the length it claims is refused too.
  js().AddrWriteLen = 10;
  js().AddrWriteData.assign(4, 0x11);
  SealSlotSettings(js(), 0);
  EXPECT_FALSE(SendAddressWrite(js(), 0));
  EXPECT_TRUE(recorders_[0].sent.empty());
}

// A packet that cannot be built ends the slot's operation at once with the
// reason, instead of leaving the operator to wait for the time-out; the last
// range that still fits is sent.
TEST_F(SendersTest, UnsendablePacketsEndTheOperationWithTheReason) {
  constexpr uint32_t kLastPageKB = (kDataBufferSize - 4096) / 1024;
  constexpr uint32_t kSlack = kDataBufferSize - (kLastPageKB * 1024 + 4096);  // bytes left behind it
  const std::string beyond = "Data to send lies beyond the data buffer!";
  struct Case {
    const char* what;
    uint8_t family;
    std::function<void(JobState&, int)> send;
    std::string refusal;  // empty: the packet goes out
  };
  const Case cases[] = {
      {"data page at the end of the buffer", 0xA0,
       [](JobState& j, int s) { SendDataPage(j, 85, kLastPageKB, 0, s); }, ""},
      {"data page one kilobyte further", 0xA0,
       [](JobState& j, int s) { SendDataPage(j, 85, kLastPageKB + 1, 0, s); }, beyond},
      {"data page ending on the last byte", 0xA0,
       [](JobState& j, int s) { SendDataPage(j, 85, kLastPageKB, kSlack, s); }, ""},
      {"data page pushed one byte out by its offset", 0xA0,
       [](JobState& j, int s) { SendDataPage(j, 85, kLastPageKB, kSlack + 1, s); }, beyond},
      {"program page at the end of the buffer", 0x00,
       [](JobState& j, int s) { SendProgramPages(j, 149, kLastPageKB, 0, s); }, ""},
      {"program page one kilobyte further", 0x00,
       [](JobState& j, int s) { SendProgramPages(j, 149, kLastPageKB + 1, 0, s); }, beyond},
      {"528-byte pages beyond the buffer", 0x20,
       [](JobState& j, int s) { SendProgramPages(j, 149, kLastPageKB + 1, 0, s); }, beyond},
      {"packet filling the packet area", 0xA0,
       [](JobState& j, int s) { SendSlotPacket(j, kTxPacketSize - kPacketHeaderSize - 2, s); }, ""},
      {"packet one byte longer", 0xA0,
       [](JobState& j, int s) { SendSlotPacket(j, kTxPacketSize - kPacketHeaderSize - 1, s); },
       "Packet of 8193 bytes is too long to send!"},
  };
  constexpr int kSlot = 2;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    js().ChipFamily = c.family;
    js().SlotBusy[kSlot] = 1;
    js().SlotOp[kSlot] = kOpProgram149;
    SealSlotSettings(js(), kSlot);
    c.send(js(), kSlot);
    if (c.refusal.empty()) {
      EXPECT_EQ(recorders_[kSlot].sent.size(), 1u);
      EXPECT_EQ(js().SlotBusy[kSlot], 1);
      EXPECT_TRUE(view_.LogTexts().empty());
      continue;
    }
    EXPECT_TRUE(recorders_[kSlot].sent.empty());
    EXPECT_EQ(js().SlotBusy[kSlot], 0);
    EXPECT_EQ(js().SlotOp[kSlot], kOpIdle);
    EXPECT_EQ(view_.LogTexts(), (std::vector<std::string>{"C3: " + c.refusal, "C3: Operation Failed!"}));
  }
}

TEST_F(SendersTest, BytesThePortDoesNotTakeEndTheOperationWithTheReason) {
  const std::string refused = "%d bytes could not be queued for sending!";
  const std::string lost = "Connection to the unit lost!";
  struct Case {
    const char* what;
    bool open;  // false: closed; true: open but refusing
    std::function<void(JobState&, int)> send;
    std::string reason;  // %d: the bytes handed to the port
  };
  const Case cases[] = {
      {"framed packet, port refusing", true, [](JobState& j, int s) { SendChipCommand(j, 147, 3, s); }, refused},
      {"framed packet, port closed", false, [](JobState& j, int s) { SendChipCommand(j, 147, 3, s); }, lost},
      {"probe", true, [](JobState& j, int s) { SendProbe(j, s); }, refused},
      {"raw block pair: the first refused, the second never tried", true,
       [](JobState& j, int s) { SendRawBlockPair(j, s); }, refused},
      {"raw download block", true, [](JobState& j, int s) { SendNextDownloadBlock(j, s); }, refused},
      {"raw download block, port closed", false, [](JobState& j, int s) { SendNextDownloadBlock(j, s); }, lost},
  };
  constexpr int kSlot = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reset();
    recorders_[kSlot].open = c.open;
    recorders_[kSlot].refuses = c.open;
    js().SlotBusy[kSlot] = 1;
    js().SlotOp[kSlot] = kOpProgram149;
    c.send(js(), kSlot);
    ASSERT_EQ(recorders_[kSlot].sent.size(), 1u);
    EXPECT_EQ(js().SlotBusy[kSlot], 0);
    EXPECT_EQ(js().SlotOp[kSlot], kOpIdle);
    const std::string reason = msg::FmtV(c.reason, static_cast<int>(recorders_[kSlot].sent[0].size()));
    EXPECT_EQ(view_.LogTexts(), (std::vector<std::string>{"C5: " + reason, "C5: Operation Failed!"}));
  }
}

TEST_F(SendersTest, RawBlocksCarryTheirSums) {
  for (uint32_t i = 0; i < 3 * 32768; ++i) js().DataBuffer[64 * 1024 + i] = static_cast<uint8_t>(i * 13 + (i >> 9));
  auto sumOf = [&](uint32_t from) {
    uint32_t sum = 0;
    for (uint32_t i = from; i < from + 32768; ++i) sum += js().DataBuffer[i];
    return sum;
  };

  js().SlotKbIndex[3] = 64;
  SealSlotSettings(js(), 3);
  SendRawBlockPair(js(), 3);
  ASSERT_EQ(recorders_[3].sent.size(), 2u);
  EXPECT_EQ(recorders_[3].sent[0], Bytes(&js().DataBuffer[65536], &js().DataBuffer[65536 + 32768]));
  EXPECT_EQ(recorders_[3].sent[1], Bytes(&js().DataBuffer[98304], &js().DataBuffer[98304 + 32768]));
  EXPECT_EQ(js().SlotSendSum[3], sumOf(65536) + sumOf(98304));
  EXPECT_EQ(js().SlotKbIndex[3], 64u);

  js().SlotKbIndex[5] = 96;
  SealSlotSettings(js(), 5);
  SendNextDownloadBlock(js(), 5);
  ASSERT_EQ(recorders_[5].sent.size(), 1u);
  EXPECT_EQ(recorders_[5].sent[0], Bytes(&js().DataBuffer[98304], &js().DataBuffer[98304 + 32768]));
  EXPECT_EQ(js().SlotSendSum[5], sumOf(98304));
  EXPECT_EQ(js().SlotKbIndex[5], 128u);
  EXPECT_EQ(js().SlotSendSum[3], sumOf(65536) + sumOf(98304));
}

TEST_F(SendersTest, SlotsKeepSeparatePacketAreas) {
  SealSlotSettings(js(), 2);
  SendChipCommand(js(), 147, 0x35, 2);
  const auto before = js().TxPacket[2];
  const auto frameBefore = js().TxFrame[2];
  SealSlotSettings(js(), 5);
  SendProgramPages(js(), 149, 0, 0, 5);
  // An answer decoded into another slot's area leaves this one alone too.
  Bytes frame = recorders_[5].sent[0];
  size_t packetLength = 0, frameLength = frame.size();
  ASSERT_EQ(DecodeFrame(frame.data(), js().TxPacket[6].data(), kTxPacketSize, packetLength, frameLength), kFrameOk);
  EXPECT_EQ(js().TxPacket[2], before);
  EXPECT_EQ(js().TxFrame[2], frameBefore);
  EXPECT_EQ(recorders_[2].sent.size(), 1u);
}

TEST_F(SendersTest, NoPortNoSend) {
  js().CommSlots[1] = nullptr;
  SealSlotSettings(js(), 1);
  SendChipCommand(js(), 147, 3, 1);
  SendProbe(js(), 1);
  SealSlotSettings(js(), 1);
  SendRawBlockPair(js(), 1);
  EXPECT_TRUE(recorders_[1].sent.empty());
}

TEST_F(SendersTest, FillerSequenceIsTheSameAtEveryStart) {
  // Two fresh sequences give the same packets; a used one gives others.
  auto build = [&](FillerRandom filler) {
    js().Filler = filler;
    SealSlotSettings(js(), 0);
    SendChipCommand(js(), 147, 3, 0);
    return Bytes(js().TxPacket[0].begin(), js().TxPacket[0].begin() + 58);
  };
  Bytes a = build(FillerRandom{});
  Bytes b = build(FillerRandom{});
  EXPECT_EQ(a, b);
  FillerRandom used;
  used.Next(255);
  EXPECT_NE(build(used), a);
}

namespace {

// Every field of the chip-parameter block set to a value of its own, with
// look-alike fields (ProtectByte, ChipAuxByte, CtrlFlags2) set differently.
void SetDistinctChipFields(JobState& j) {
  j.ChipOptions = 0x11;
  j.ChipAddrMode = 0x12;
  j.ChipFamily = 0x14;
  j.ChipSubType = 0x15;
  j.AutoDetect = 0x17;
  j.PageSize = 0x00051918;  // only the low 16 bits are sent
  j.PageMode = 0x1C;
  j.CtrlSpare = 0x1D;
  j.EraseTime = 0x1F1E;
  j.ChipSize = 0x23222120;
  j.DataSizeKB = 0x00072524;  // low 16 bits
  j.I2CDevAddr = 0x26;
  j.StepFlags = 0x27;
  j.CtrlFlags = 0x28;
  j.CtrlFlags2 = 0x99;
  j.ClockCode = 0x29;
  j.DataCRC16 = 0x2B2A;
  j.DataSum16 = 0x2D2C;
  j.ChipId1 = 0x2E;
  j.ChipId2 = 0x2F;
  j.ChipOpBytes = {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37};
  j.ProtectByte = 0x98;
  j.EepromProtect = 0x40;
  j.ChipAuxByte = 0x97;
  j.ChipAuxByte2 = 0x41;
  j.ChipSum32 = 0x47464544;
}

// The block those fields give, byte by byte from the block's table; the
// filler positions 6, 10 and 11 are checked apart.
const Bytes kDistinctBlock = {
    0x00, 0x11, 0x12, 0x20, 0x14, 0x15, 0x00, 0x17, 0x18, 0x19, 0x00, 0x00,
    0x1C, 0x1D, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27,
    0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x32, 0x33,
    0x34, 0x35, 0x36, 0x37, 0x40, 0x41, 0x00, 0x00, 0x44, 0x45, 0x46, 0x47,
};

void ExpectDistinctBlock(const Bytes& p, size_t at) {
  for (size_t i = 0; i < kDistinctBlock.size(); ++i) {
    if (i == 6 || i == 10 || i == 11) continue;
    EXPECT_EQ(p[at + i], kDistinctBlock[i]) << "block offset " << i;
  }
  EXPECT_LT(p[at + 6], 255);
}

// The packet check value written out from its definition.
uint16_t PlainCheck(const Bytes& p, size_t from, size_t to) {
  uint16_t crc = 0;
  for (size_t i = from; i <= to; ++i) {
    bool low = crc & 1;
    crc = static_cast<uint16_t>((crc >> 1) ^ p[i] ^ (low ? 0x4A12 : 0));
  }
  return crc;
}

}  // namespace

TEST_F(SendersTest, ChipParamBlockCarriesEveryField) {
  SetDistinctChipFields(js());
  SealSlotSettings(js(), 7);
  SendChipCommand(js(), 147, 0x60, 7);
  Bytes p = SentPacket(7);
  ASSERT_EQ(p.size(), 58u);
  EXPECT_EQ(Slice(p, 0, 8), (Bytes{0x93, 0x60, 0x00, 0x00, 0x14, 0x15, 0x30, 0x00}));
  ExpectDistinctBlock(p, 8);
  EXPECT_LT(p[8 + 10], 255);
  EXPECT_LT(p[8 + 11], 255);
  EXPECT_EQ(LE16(p, 56), PlainCheck(p, 0, 55));
}

TEST_F(SendersTest, ConfigurationPacketCarriesEveryField) {
  SetDistinctChipFields(js());
  js().SNEnabled = 1;
  js().SNLength = 3;
  js().DeviceCount = 8;
  js().SNGain = 40;  // 320 modulo 256
  js().SNAddress = 0x0000ABCD;
  js().SNValue = 0x01020304;
  js().CountLimitOn = 1;
  js().PowerTime = 0x5C;
  js().CountLimit = 0x0A0B0C0D;
  js().ChipInTime = 0x1357;
  js().ChipOffTime = 0x2468;
  js().ShownChecksum = 0x11223344;
  js().SelChipName = "AT45DB321";
  js().DataFileName = "a.bin";
  SealSlotSettings(js(), 2);
  SendChipConfig(js(), 83, 0, 2);
  Bytes p = SentPacket(2);
  ASSERT_EQ(p.size(), 270u);
  EXPECT_EQ(Slice(p, 0, 12), (Bytes{83, 0x00, 0x00, 0x20, 0x14, 0x15, 0x04, 0x01, 'Q', 'J', 'V', 'B'}));
  ExpectDistinctBlock(p, 12);
  EXPECT_NE(LE16(p, 22), 0xFFFF);  // one 16-bit filler 0..65534
  const Bytes fields = {0x01, 0x03, 0x40, 0x00, 0xCD, 0xAB, 0x00, 0x00, 0x04, 0x03, 0x02, 0x01};
  EXPECT_EQ(Slice(p, 60, 12), fields);
  for (size_t i : {72u, 73u, 74u, 75u, 90u, 91u}) EXPECT_LT(p[i], 255) << i;
  EXPECT_EQ(Slice(p, 76, 14), (Bytes{0x01, 0x5C, 0x0D, 0x0C, 0x0B, 0x0A, 0x57, 0x13, 0x68, 0x24,
                                     0x44, 0x33, 0x22, 0x11}));
  EXPECT_EQ(Slice(p, 92, 16), (Bytes{'A', 'T', '4', '5', 'D', 'B', '3', '2', '1', 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(Slice(p, 108, 6), (Bytes{'a', '.', 'b', 'i', 'n', 0}));
  EXPECT_EQ(LE16(p, 264), PlainCheck(p, 8, 263));
  uint32_t sum = 0;
  for (size_t i = 8; i <= 265; ++i) sum += p[i];
  EXPECT_EQ(LE16(p, 266), sum & 0xFFFF);
  EXPECT_EQ(LE16(p, 268), PlainCheck(p, 0, 267));
}
