// Every command as the host's own senders build it, carried out by the unit
// against its chip memory and stored image.
#include <numeric>

#include "HostFixture.h"
#include "protocol/Checks.h"
#include "protocol/PacketBytes.h"

using namespace unitsim;

namespace {

using Sender = std::function<void(JobState&)>;

struct AnswerCase {
  const char* name;
  uint8_t family;
  Sender send;
  uint8_t command;       // echoed in the answer's header
  uint16_t payload;      // payload length of the answer
  uint8_t status;        // for short answers
};

Sender Chip(uint8_t command, uint16_t argument) {
  return [=](JobState& js) { SendChipCommand(js, command, argument, 0); };
}

class AnswerTable : public HostFixture, public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerTable, AnswersWithTheSizeTheHostConsumes) {
  const AnswerCase& c = GetParam();
  UseChip(c.family, 64);
  js->AddrWriteAddr = 0x10;
  js->AddrWriteLen = 3;
  js->AddrWriteData = {1, 2, 3};
  auto frames = Send(c.send);
  ASSERT_EQ(frames.size(), 1u);
  const UnitFrame& a = frames[0];
  EXPECT_TRUE(a.Sound());
  EXPECT_EQ(a.bytes[0], c.command);
  EXPECT_EQ(a.PayloadLength(), c.payload);
  if (c.payload == 2) {
    EXPECT_EQ(a.Status(), c.status);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Commands, AnswerTable,
    ::testing::Values(
        AnswerCase{"Erase", 0x10, Chip(147, 3), 147, 2, unitsim::kStatusOk},
        AnswerCase{"BlankCheck", 0x10, Chip(147, 0x35), 147, 2, unitsim::kStatusOk},
        AnswerCase{"VerifyOfAChipWithoutTheImage", 0x10, Chip(147, 0x33), 147, 2, kStatusVerifyError},
        AnswerCase{"ReadId", 0x10, Chip(147, 0x60), 147, 6, 0},
        AnswerCase{"ReadIdSpiEeprom", 0xB0, Chip(147, 0x60), 147, 130, 0},
        AnswerCase{"UnknownSubCode", 0x10, Chip(147, 0x77), 147, 2, kStatusUnknownCommand},
        AnswerCase{"AddressWrite", 0x10, [](JobState& js) { SendAddressWrite(js, 0); }, 147, 2, unitsim::kStatusOk},
        AnswerCase{"ProgramPage", 0x10, [](JobState& js) { SendProgramPages(js, 149, 0, 0, 0); }, 149, 2,
                   unitsim::kStatusOk},
        AnswerCase{"ProgramPage528", 0x20, [](JobState& js) { SendProgramPages(js, 149, 4, 0, 0); }, 149, 2,
                   unitsim::kStatusOk},
        AnswerCase{"ReadBlock", 0x10, Chip(155, 4), 155, 4096, 0},
        AnswerCase{"ReadBlock528", 0x20, Chip(155, 4), 155, 8 * 528, 0},
        AnswerCase{"Config", 0x10, [](JobState& js) { SendChipConfig(js, 83, 0, 0); }, 83, 2, unitsim::kStatusOk},
        AnswerCase{"StorePage", 0x10, [](JobState& js) { SendDataPage(js, 85, 4, 0, 0); }, 85, 2, unitsim::kStatusOk},
        AnswerCase{"StoreRounds", 0x10, [](JobState& js) { SendCommand16(js, 89, 0); }, 89, 2, unitsim::kStatusOk},
        AnswerCase{"ProgramStreamAuto", 0x10, [](JobState& js) { SendCommand16(js, 150, 0); }, 150, 2,
                   unitsim::kStatusOk},
        AnswerCase{"ProgramStream", 0x10, [](JobState& js) { SendCommandWithChipParams(js, 150, 0); }, 150, 2,
                   unitsim::kStatusOk},
        AnswerCase{"ReadStoredWithoutDownload", 0x10, [](JobState& js) { SendCommand2(js, 57, 0, 0); }, 57, 2,
                   kStatusCommandError},
        AnswerCase{"Unknown", 0x10, Chip(0x77, 0), 0x77, 2, kStatusUnknownCommand}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(HostFixture, OffLineMonitorAndChipDoneAnswerNothing) {
  EXPECT_TRUE(Line([](JobState& js) { SendOffLineMonitor(js, 138, 0); }).empty());
  EXPECT_TRUE(Line([](JobState& js) { SendOffLineMonitor(js, 134, 0); }).empty());
  EXPECT_EQ(unit->ChipsDone(), 1);
  EXPECT_EQ(unit->CommandsReceived(138), 1);
}

TEST_F(HostFixture, ProgrammedPagesReadBackByBlocks) {
  UseChip(0x10, 16);
  FillData(16, 3);
  for (uint32_t kb = 0; kb < 16; kb += 4) {
    EXPECT_EQ(StatusOf([kb](JobState& js) { SendProgramPages(js, 149, kb, 0, 0); }), unitsim::kStatusOk);
  }
  EXPECT_EQ(unit->Chip().Read(0, 16 * 1024), HostData(0, 16 * 1024));
  auto frames = Send(Chip(155, 8));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(std::vector<uint8_t>(frames[0].Payload(), frames[0].Payload() + 4096), HostData(8 * 1024, 4096));
  // Behind the programmed range the chip is still erased.
  auto behind = Send(Chip(155, 16));
  EXPECT_EQ(behind[0].Payload()[0], 0xFF);
}

TEST_F(HostFixture, PagesOf528BytesKeepTheirSpareBytes) {
  UseChip(0x20, 16);
  FillData(16, 9);
  EXPECT_EQ(StatusOf([](JobState& js) { SendProgramPages(js, 149, 4, 0, 0); }), unitsim::kStatusOk);
  EXPECT_EQ(unit->Chip().Read(4096, 4096), HostData(4096, 4096));
  // Pages 8..15 hold the spare bytes that the host keeps at 128..255.
  EXPECT_EQ(unit->ChipSpare().Read(128, 128), HostData(kPageSpareOffset + 128, 128));
  auto frames = Send(Chip(155, 4));
  ASSERT_EQ(frames.size(), 1u);
  const uint8_t* page3 = frames[0].Payload() + 3 * 528;
  EXPECT_EQ(std::vector<uint8_t>(page3, page3 + 512), HostData(4096 + 3 * 512, 512));
  EXPECT_EQ(std::vector<uint8_t>(page3 + 512, page3 + 528), HostData(kPageSpareOffset + 128 + 3 * 16, 16));
}

TEST_F(HostFixture, AddressWriteLandsInTheChip) {
  js->AddrWriteAddr = 0x1234;
  js->AddrWriteLen = 4;
  js->AddrWriteData = {0xDE, 0xAD, 0xBE, 0xEF};
  EXPECT_EQ(StatusOf([](JobState& js) { SendAddressWrite(js, 0); }), unitsim::kStatusOk);
  EXPECT_EQ(unit->Chip().Read(0x1233, 6), (std::vector<uint8_t>{0xFF, 0xDE, 0xAD, 0xBE, 0xEF, 0xFF}));
}

TEST_F(HostFixture, ReadIdCarriesTheChipsIdentification) {
  auto frames = Send(Chip(147, 0x60));
  ASSERT_EQ(frames.size(), 1u);
  // The host shows payload bytes 1 and 0 as the ID.
  EXPECT_EQ(frames[0].Payload()[1], 0xEF);
  EXPECT_EQ(frames[0].Payload()[0], 0x40);
}

// Programs the chip's whole size, 4 KB per command.
void ProgramAll(HostFixture& f) {
  for (uint32_t kb = 0; kb < f.js->DataSizeKB; kb += 4) {
    EXPECT_EQ(f.StatusOf([kb](JobState& js) { SendProgramPages(js, 149, kb, 0, 0); }), unitsim::kStatusOk) << kb;
  }
}

TEST_F(HostFixture, BlankCheckEraseAndVerify) {
  UseUnit(Config([](UnitConfig& c) { c.NotBlank = true; }));
  EXPECT_EQ(StatusOf(Chip(147, 0x35)), unitsim::kStatusNotBlank);
  EXPECT_EQ(StatusOf(Chip(147, 3)), unitsim::kStatusOk);
  EXPECT_EQ(StatusOf(Chip(147, 0x35)), unitsim::kStatusOk);
  FillData(64, 1);
  ProgramAll(*this);
  EXPECT_EQ(StatusOf(Chip(147, 0x35)), unitsim::kStatusNotBlank);
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), unitsim::kStatusOk);
  // An erased chip no longer holds the image.
  EXPECT_EQ(StatusOf(Chip(147, 3)), unitsim::kStatusOk);
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), kStatusVerifyError);
}

TEST_F(HostFixture, AWeakChipFailsItsVerify) {
  UseUnit(Config([](UnitConfig& c) { c.WeakChip = true; }));
  FillData(64, 1);
  ProgramAll(*this);
  EXPECT_NE(unit->Chip().Read(0, 4096), HostData(0, 4096));
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), kStatusVerifyError);
  EXPECT_EQ(StatusOf(Chip(147, 3)), unitsim::kStatusOk);
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), kStatusVerifyError);
}

// A programmed chip, then one change to the chip or to what the host sends.
struct VerifyCase {
  const char* name;
  std::function<void(HostFixture&)> change;
  uint8_t status;
};
void PrintTo(const VerifyCase& c, std::ostream* os) { *os << c.name; }

void WriteChip(HostFixture& f, uint16_t address, std::vector<uint8_t> bytes) {
  f.js->AddrWriteAddr = address;
  f.js->AddrWriteLen = static_cast<uint16_t>(bytes.size());
  f.js->AddrWriteData = std::move(bytes);
  EXPECT_EQ(f.StatusOf([](JobState& js) { SendAddressWrite(js, 0); }), unitsim::kStatusOk);
}

class VerifyTable : public HostFixture, public ::testing::WithParamInterface<VerifyCase> {};

TEST_P(VerifyTable, ComparesTheChipWithTheBlocksCheckValues) {
  UseChip(0x10, 16);
  FillData(16, 7);
  ProgramAll(*this);
  GetParam().change(*this);
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(
    Verify, VerifyTable,
    ::testing::Values(
        VerifyCase{"AsProgrammed", [](HostFixture&) {}, unitsim::kStatusOk},
        VerifyCase{"OtherCrc16", [](HostFixture& f) { f.js->DataCRC16 ^= 1; }, kStatusVerifyError},
        VerifyCase{"OtherSum16", [](HostFixture& f) { f.js->DataSum16 ^= 1; }, kStatusVerifyError},
        VerifyCase{"OtherSum32HighHalf", [](HostFixture& f) { f.js->ChipSum32 ^= 0x10000; }, kStatusVerifyError},
        VerifyCase{"AChipByteChanged", [](HostFixture& f) { WriteChip(f, 0x2345, {0x00}); }, kStatusVerifyError},
        // The byte sum stays; the check value tells.
        VerifyCase{"TwoChipBytesSwapped",
                   [](HostFixture& f) { WriteChip(f, 0x100, {f.js->DataBuffer[0x101], f.js->DataBuffer[0x100]}); },
                   kStatusVerifyError},
        VerifyCase{"AByteBehindTheSizeChanged", [](HostFixture& f) { WriteChip(f, 16 * 1024, {0x00}); },
                   unitsim::kStatusOk},
        VerifyCase{"ASmallerSizeSummedAlike",
                   [](HostFixture& f) {
                     f.js->ChipSize = 1000;
                     f.SumImage();
                   },
                   unitsim::kStatusOk},
        VerifyCase{"ASizeBeyondTheChip",
                   [](HostFixture& f) {
                     f.js->ChipSize = static_cast<uint32_t>(kDefaultChipCapacity + 1);
                     f.SumImage();
                   },
                   kStatusVerifyError}),
    [](const auto& info) { return std::string(info.param.name); });

// The host's image of a part with 528-byte pages holds the spare bytes
// behind the 2 MB of page data, and its check values cover them.
TEST_F(HostFixture, VerifyOf528BytePagesCoversTheSpareBytes) {
  UseChip(0x20, 2048);
  js->ChipSize = 0x210000;
  FillData(2048, 3);
  ProgramAll(*this);
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), unitsim::kStatusOk);
  js->PageSpareArea()[0xFFFF] ^= 0x40;
  SumImage();
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), kStatusVerifyError);
}

// The paced stream of a large image: 150, then raw 32 KB blocks.
struct StreamFixture : HostFixture {
  std::vector<UnitFrame> StreamImage(uint32_t kb) {
    std::vector<uint8_t> line;
    js->SlotKbIndex[0] = 0;
    while (js->SlotKbIndex[0] < kb) {
      auto a = Line([](JobState& js) { SendNextDownloadBlock(js, 0); });
      line.insert(line.end(), a.begin(), a.end());
    }
    return DecodeFrames(line);
  }
};

TEST_F(StreamFixture, ProgramStreamWritesTheImageThenTakesCommandsAgain) {
  UseChip(0x10, 80);  // not a whole number of blocks: the last one is partly behind the data
  FillData(96, 5);
  EXPECT_EQ(StatusOf([](JobState& js) { SendCommandWithChipParams(js, 150, 0); }), unitsim::kStatusOk);
  EXPECT_GT(unit->RawBytesExpected(), 0u);
  EXPECT_TRUE(StreamImage(80).empty());
  EXPECT_EQ(unit->RawBytesExpected(), 0u);
  EXPECT_EQ(unit->Chip().Read(0, 80 * 1024), HostData(0, 80 * 1024));
  EXPECT_EQ(unit->Chip().At(80 * 1024), 0xFF);
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), unitsim::kStatusOk);
}

TEST_F(StreamFixture, AutoStreamOfAnOddBlockCountEndsAtTheImage) {
  // 96 KB: the 150 of Auto announces two 64 KB blocks, the host sends three
  // 32 KB blocks. With and without a chip command before it.
  for (bool eraseFirst : {true, false}) {
    SCOPED_TRACE(eraseFirst);
    UseUnit({});
    UseChip(0x10, 96);
    FillData(96, 7);
    if (eraseFirst) {
      EXPECT_EQ(StatusOf(Chip(147, 3)), unitsim::kStatusOk);
    }
    EXPECT_EQ(StatusOf([](JobState& js) { SendCommand16(js, 150, 0); }), unitsim::kStatusOk);
    EXPECT_TRUE(StreamImage(96).empty());
    EXPECT_EQ(StatusOf(Chip(147, 0x33)), unitsim::kStatusOk);
    EXPECT_EQ(unit->Chip().Read(0, 96 * 1024), HostData(0, 96 * 1024));
  }
}

TEST_F(StreamFixture, AutoStreamIsNotCutByTheSizeOfAnEarlierSmallerJob) {
  UseChip(0x10, 32);
  EXPECT_EQ(StatusOf(Chip(147, 0x35)), unitsim::kStatusOk);  // a blank check of a 32 KB job
  UseChip(0x10, 256);
  FillData(256, 9);
  EXPECT_EQ(StatusOf([](JobState& js) { SendCommand16(js, 150, 0); }), unitsim::kStatusOk);
  EXPECT_TRUE(StreamImage(256).empty());
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), unitsim::kStatusOk);
  EXPECT_EQ(unit->Chip().Read(0, 256 * 1024), HostData(0, 256 * 1024));
}

TEST_F(StreamFixture, AStreamThatFailsAnswersWithItsStatusOnce) {
  UseUnit(Config([](UnitConfig& c) { c.StreamErrorAfterBlocks = 2; c.StreamErrorStatus = 0x2D; }));
  UseChip(0x10, 128);
  FillData(128, 1);
  EXPECT_EQ(StatusOf([](JobState& js) { SendCommandWithChipParams(js, 150, 0); }), unitsim::kStatusOk);
  auto frames = StreamImage(128);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].bytes[0], 150);
  EXPECT_EQ(frames[0].Status(), 0x2D);
  EXPECT_EQ(unit->Chip().At(64 * 1024), 0xFF);  // nothing stored behind the failure
  EXPECT_EQ(StatusOf(Chip(147, 3)), unitsim::kStatusOk);  // and commands are taken again
}

TEST_F(HostFixture, ReadStreamSendsTheChipBytesBehindItsAnswer) {
  UseChip(0x10, 8);
  FillData(8, 2);
  for (uint32_t kb = 0; kb < 8; kb += 4) StatusOf([kb](JobState& js) { SendProgramPages(js, 149, kb, 0, 0); });
  auto line = Line([](JobState& js) { SendCommandWithChipParams(js, 154, 0); });
  auto frames = DecodeFrames(line);
  ASSERT_GE(frames.size(), 1u);
  EXPECT_EQ(frames[0].Status(), unitsim::kStatusOk);
  // The answer's frame with its padding, then exactly the data.
  size_t answerEnd = 0;
  for (int marks = 0; answerEnd < line.size() && marks < 2; ++answerEnd) marks += line[answerEnd] == 0xC0;
  answerEnd += 5;
  ASSERT_EQ(line.size() - answerEnd, 8u * 1024);
  EXPECT_EQ(std::vector<uint8_t>(line.begin() + answerEnd, line.end()), HostData(0, 8 * 1024));
}

TEST_F(HostFixture, ReadStreamIsPulledInPieces) {
  UseChip(0x10, 64);
  port.sent.clear();
  SealSlotSettings(*js, 0);
  SendCommandWithChipParams(*js, 154, 0);
  unit->Take(port.sent[0].data(), port.sent[0].size());
  auto first = unit->Output(1000);
  EXPECT_LT(first.size(), 1100u);  // the answer and 1000 stream bytes
  size_t total = first.size();
  while (unit->OutputPending()) total += unit->Output(5000).size();
  EXPECT_EQ(total, first.size() - 1000 + 64 * 1024);
}

TEST_F(HostFixture, DownloadByPagesThenReadTheStoredImage) {
  UseChip(0x10, 12);
  FillData(12, 4);
  EXPECT_EQ(StatusOf([](JobState& js) { SendChipConfig(js, 83, 0, 0); }), unitsim::kStatusOk);
  for (uint32_t kb = 0; kb < 12; kb += 4) {
    EXPECT_EQ(StatusOf([kb](JobState& js) { SendDataPage(js, 85, kb, 0, 0); }), unitsim::kStatusOk);
  }
  EXPECT_EQ(unit->StoredImageSize(), 12u * 1024);
  EXPECT_EQ(unit->StoredImage().Read(0, 12 * 1024), HostData(0, 12 * 1024));
  EXPECT_EQ(unit->Chip().At(0), 0xFF);  // the chip itself is not touched
  auto frames = Send([](JobState& js) { SendCommand2(js, 57, 0, 0); });
  ASSERT_EQ(frames.size(), 3u);
  for (size_t i = 0; i < frames.size(); ++i) {
    EXPECT_TRUE(frames[i].Sound());
    ASSERT_EQ(frames[i].PayloadLength(), 4096);
    EXPECT_EQ(std::vector<uint8_t>(frames[i].Payload(), frames[i].Payload() + 4096), HostData(i * 4096, 4096));
  }
}

TEST_F(HostFixture, ConfigurationWithABadInnerCheckIsRefused) {
  port.sent.clear();
  SealSlotSettings(*js, 0);
  SendChipConfig(*js, 83, 0, 0);
  // Change a payload byte and mend only the packet check value.
  std::vector<uint8_t> packet(js->TxPacket[0].begin(), js->TxPacket[0].begin() + 268);
  packet[100] ^= 0x55;
  std::vector<uint8_t> line;
  uint16_t crc = CheckValue(packet.data(), packet.size());
  packet.push_back(uint8_t(crc));
  packet.push_back(uint8_t(crc >> 8));
  AppendFrame(packet, line);
  auto frames = DecodeFrames(unit->Feed(line));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].Status(), kStatusCheckSumError);
}

// Download rounds: 89, then pairs of raw 32 KB blocks answered with their sum.
TEST_F(HostFixture, DownloadRoundsAnswerTheirByteSums) {
  UseUnit(Config([](UnitConfig& c) { c.BadRoundSum = 2; }));
  UseChip(0x10, 192);
  FillData(192, 6);
  EXPECT_EQ(StatusOf([](JobState& js) { SendChipConfig(js, 83, 0x100, 0); }), unitsim::kStatusOk);
  EXPECT_EQ(StatusOf([](JobState& js) { SendCommand16(js, 89, 0); }), unitsim::kStatusOk);
  for (uint32_t round = 0; round < 3; ++round) {
    js->SlotKbIndex[0] = round * 64;
    auto frames = Send([](JobState& js) { SendRawBlockPair(js, 0); });
    ASSERT_EQ(frames.size(), 1u);
    ASSERT_TRUE(frames[0].Sound());
    ASSERT_EQ(frames[0].PayloadLength(), 4);
    uint32_t sum = GetLE32(frames[0].Payload());
    uint32_t host = js->SlotSendSum[0];
    if (round == 1) EXPECT_EQ(sum, host + 1) << "the second round's sum is wrong by the fault";
    else EXPECT_EQ(sum, host);
  }
  EXPECT_EQ(unit->StoredImage().Read(0, 192 * 1024), HostData(0, 192 * 1024));
  EXPECT_EQ(StatusOf(Chip(147, 0x35)), unitsim::kStatusOk);  // frames are taken again
}

TEST_F(HostFixture, ErrorOnTheNthCommandOfAKind) {
  UseUnit(Config([](UnitConfig& c) {
    c.ErrorsOn = {{149, -1, 3, 0x41}, {147, 0x33, 0, 0x31}};
  }));
  FillData(64, 1);
  std::vector<uint8_t> got;
  for (uint32_t kb = 0; kb < 16; kb += 4) got.push_back(StatusOf([kb](JobState& js) { SendProgramPages(js, 149, kb, 0, 0); }));
  EXPECT_EQ(got, (std::vector<uint8_t>{0, 0, 0x41, 0}));
  EXPECT_EQ(unit->Chip().At(8 * 1024), 0xFF);  // the failed page was not written
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), 0x31);
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), 0x31);
  EXPECT_EQ(StatusOf(Chip(147, 3)), unitsim::kStatusOk);
}

TEST_F(HostFixture, SilentAfterSomeCommands) {
  UseUnit(Config([](UnitConfig& c) { c.SilentAfterCommands = 2; }));
  EXPECT_EQ(Send(Chip(147, 3)).size(), 1u);
  EXPECT_EQ(Send(Chip(147, 0x35)).size(), 1u);
  EXPECT_TRUE(Send(Chip(147, 0x35)).empty());
  EXPECT_TRUE(Line([](JobState& js) { SendProbe(js, 0); }).empty());
}

// A sequence report: 8 bytes that add up to 0.
bool SoundReport(const UnitFrame& f) {
  if (f.bytes.size() != 8) return false;
  return uint8_t(std::accumulate(f.bytes.begin(), f.bytes.end(), 0)) == 0;
}

TEST_F(HostFixture, SequenceReportsWhileProgramming) {
  UseUnit(Config([](UnitConfig& c) { c.SequenceReports = true; }));
  UseChip(0x10, 8);
  FillData(8, 1);
  auto first = Send([](JobState& js) { SendProgramPages(js, 149, 0, 0, 0); });
  ASSERT_EQ(first.size(), 3u);
  EXPECT_TRUE(SoundReport(first[0]));
  EXPECT_EQ(first[0].bytes[1], 0x10);
  EXPECT_EQ(first[0].bytes[3], 8);  // the total in kilobytes
  EXPECT_EQ(first[1].bytes[1], 0x40);
  EXPECT_EQ(first[1].bytes[3], 0);  // page 0 of 2
  EXPECT_EQ(first[1].bytes[5], 2);
  EXPECT_EQ(first[2].bytes[0], 149);
  auto last = Send([](JobState& js) { SendProgramPages(js, 149, 4, 0, 0); });
  ASSERT_EQ(last.size(), 3u);
  EXPECT_EQ(last[1].bytes[1], 0xF0);
  EXPECT_EQ(last[1].bytes[2], unitsim::kStatusDone);
  EXPECT_TRUE(SoundReport(last[1]));
  uint16_t sum16 = 0;
  for (uint32_t i = 0; i < 8 * 1024; ++i) sum16 = uint16_t(sum16 + js->DataBuffer[i]);
  EXPECT_EQ(GetLE16(&last[1].bytes[5]), sum16);
  EXPECT_EQ(GetLE16(&last[1].bytes[3]), CheckValue(js->DataBuffer.get(), 8 * 1024));
  EXPECT_EQ(last[2].bytes[0], 149);
}

TEST_F(HostFixture, BothCompletionReportsEndTheLastPage) {
  UseUnit(Config([](UnitConfig& c) { c.SequenceReports = c.BothCompletions = true; }));
  UseChip(0x10, 8);
  FillData(8, 2);
  Send([](JobState& js) { SendProgramPages(js, 149, 0, 0, 0); });
  auto last = Send([](JobState& js) { SendProgramPages(js, 149, 4, 0, 0); });
  ASSERT_EQ(last.size(), 4u);
  uint32_t sum32 = 0;
  for (uint32_t i = 0; i < 8 * 1024; ++i) sum32 += js->DataBuffer[i];
  EXPECT_EQ(last[1].bytes[1], 0xF0);
  EXPECT_EQ(GetLE16(&last[1].bytes[3]), CheckValue(js->DataBuffer.get(), 8 * 1024));
  EXPECT_EQ(last[2].bytes[1], 0xF2);
  EXPECT_EQ(last[2].bytes[2], unitsim::kStatusDone);
  EXPECT_TRUE(SoundReport(last[2]));
  EXPECT_EQ(GetLE16(&last[2].bytes[3]) | uint32_t{GetLE16(&last[2].bytes[5])} << 16, sum32);
  EXPECT_EQ(last[3].bytes[0], 149);
}

TEST_F(StreamFixture, SequenceReportsOfAStreamEndWithTheImageSum) {
  UseUnit(Config([](UnitConfig& c) { c.SequenceReports = true; }));
  UseChip(0x10, 64);
  FillData(64, 8);
  auto start = Send([](JobState& js) { SendCommandWithChipParams(js, 150, 0); });
  ASSERT_EQ(start.size(), 3u);
  auto frames = StreamImage(64);
  ASSERT_EQ(frames.size(), 3u);  // two blocks, the completion
  EXPECT_EQ(frames[2].bytes[1], 0xF2);
  EXPECT_EQ(frames[2].bytes[2], unitsim::kStatusDone);
  uint32_t sum = ByteSum32(js->DataBuffer.get(), 0, 64 * 1024 - 1);
  EXPECT_EQ(GetLE16(&frames[2].bytes[3]) | uint32_t(GetLE16(&frames[2].bytes[5])) << 16, sum);
}

}  // namespace

namespace {

TEST_F(StreamFixture, ImageBytesThatLookLikeAFrameMarkStayImageBytes) {
  UseChip(0x10, 96);
  FillData(96, 2);
  // The second and third blocks begin with frame marks: an unsound frame,
  // and a mark that never closes within a command's length.
  uint8_t* d = js->DataBuffer.get();
  d[32768] = 0xC0;
  d[32768 + 20] = 0xC0;
  d[65536] = 0xC0;
  for (int i = 1; i < 700; ++i) d[65536 + i] = uint8_t(i == 0xC0 ? 1 : i);
  SumImage();
  EXPECT_EQ(StatusOf([](JobState& js) { SendCommandWithChipParams(js, 150, 0); }), unitsim::kStatusOk);
  EXPECT_TRUE(StreamImage(96).empty());
  EXPECT_EQ(unit->Chip().Read(0, 96 * 1024), HostData(0, 96 * 1024));
  EXPECT_EQ(StatusOf(Chip(147, 0x33)), unitsim::kStatusOk);
}

TEST_F(HostFixture, StandAloneRunBurnsTheStoredImageWithReports) {
  UseChip(0x10, 8);
  FillData(8, 3);
  StatusOf([](JobState& js) { SendChipConfig(js, 83, 0, 0); });
  for (uint32_t kb = 0; kb < 8; kb += 4) StatusOf([kb](JobState& js) { SendDataPage(js, 85, kb, 0, 0); });
  unit->RunStandAlone();
  auto reports = DecodeFrames(unit->Output());
  std::vector<uint8_t> steps;
  for (const auto& r : reports) {
    EXPECT_TRUE(SoundReport(r));
    steps.push_back(r.bytes[1]);
  }
  EXPECT_EQ(steps, (std::vector<uint8_t>{0x10, 0x30, 0x40, 0x78, 0x78, 0xF0}));
  EXPECT_EQ(reports.back().bytes[2], unitsim::kStatusDone);
  EXPECT_EQ(unit->Chip().Read(0, 8 * 1024), HostData(0, 8 * 1024));

  UseUnit({});
  unit->RunStandAlone();  // nothing downloaded: the run fails at once
  reports = DecodeFrames(unit->Output());
  ASSERT_EQ(reports.size(), 2u);
  EXPECT_EQ(reports[1].bytes[1], 0xF0);
  EXPECT_NE(reports[1].bytes[2], unitsim::kStatusDone);
}

}  // namespace

namespace {

// The line as the host sends it arrives in pieces of any size.
TEST_F(StreamFixture, TheSameLineInPiecesOfAnySizeGivesTheSameResult) {
  UseChip(0x10, 64);
  FillData(64, 4);
  std::vector<uint8_t> line;
  SealSlotSettings(*js, 0);
  auto add = [&](const Sender& send) {
    port.sent.clear();
    send(*js);
    for (const auto& b : port.sent) line.insert(line.end(), b.begin(), b.end());
  };
  add([](JobState& js) { SendCommandWithChipParams(js, 150, 0); });
  js->SlotKbIndex[0] = 0;
  add([](JobState& js) { SendNextDownloadBlock(js, 0); });
  add([](JobState& js) { SendNextDownloadBlock(js, 0); });
  add([](JobState& js) { SendChipConfig(js, 83, 0, 0); });
  add([](JobState& js) { SendCommand16(js, 89, 0); });
  js->SlotKbIndex[0] = 0;
  add([](JobState& js) { SendRawBlockPair(js, 0); });
  add(Chip(147, 0x33));
  for (size_t piece : {size_t{1}, size_t{7}, size_t{4093}, size_t{32773}}) {
    SCOPED_TRACE(piece);
    UseUnit({});
    std::vector<uint8_t> answers;
    for (size_t at = 0; at < line.size(); at += piece) {
      auto a = unit->Feed(line.data() + at, std::min(piece, line.size() - at));
      answers.insert(answers.end(), a.begin(), a.end());
    }
    auto frames = DecodeFrames(answers);
    ASSERT_EQ(frames.size(), 5u);  // 150, 83, 89, the round's sum, the verify
    EXPECT_EQ(frames[3].PayloadLength(), 4);
    EXPECT_EQ(GetLE32(frames[3].Payload()), ByteSum32(js->DataBuffer.get(), 0, 65535));
    EXPECT_EQ(frames[4].bytes[0], 147);
    EXPECT_EQ(frames[4].Status(), unitsim::kStatusOk);
    EXPECT_EQ(unit->Chip().Read(0, 64 * 1024), HostData(0, 64 * 1024));
    EXPECT_EQ(unit->StoredImage().Read(0, 64 * 1024), HostData(0, 64 * 1024));
  }
}

}  // namespace

namespace {

TEST_F(StreamFixture, AnAbandonedStreamLeavesTheUnitTakingCommands) {
  UseUnit(Config([](UnitConfig& c) { c.SequenceReports = true; }));
  UseChip(0x10, 128);
  FillData(128, 1);
  Send([](JobState& js) { SendCommandWithChipParams(js, 150, 0); });
  port.sent.clear();
  SendNextDownloadBlock(*js, 0);
  unit->Feed(port.sent[0].data(), 1000);  // the host goes away mid-block
  unit->AbandonRaw();
  EXPECT_EQ(unit->RawBytesExpected(), 0u);
  auto frames = Send([](JobState& js) { SendProbe(js, 0); });
  ASSERT_EQ(frames.size(), 1u);  // no completion report, the probe's answer
  EXPECT_EQ(frames[0].bytes[0], 0xA3);
}

}  // namespace
