// Every operation's conversation with a unit, one answer at a time: what the
// answer makes the engine send next, the slot's state, gauge and log lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <numeric>
#include <string>
#include <vector>

#include "AnswerFixture.h"
#include "protocol/SealedSettings.h"
#include "messages/Format.h"
#include "protocol/JobState.h"
#include "protocol/SlotOperations.h"

namespace {

constexpr int kSlot = 2;  // logs as C3

// What the engine handed to the port, one text per block: "raw" for a raw
// 32 KB block, the command for the off-line monitor packet ("REST"), else
// command@argument.
std::vector<std::string> SentTexts(const AnswerFixture& f, int slot) {
  std::vector<std::string> out;
  for (size_t i = 0; i < f.ports[slot].sent.size(); ++i) {
    std::vector<uint8_t> p = f.SentPacket(slot, i);
    if (p.empty()) {
      out.push_back(f.ports[slot].sent[i].size() == kSlotRawBlockSize ? "raw" : "?");
    } else if (std::string(p.begin() + 1, p.begin() + 5) == "REST") {
      out.push_back(std::to_string(p[0]));
    } else {
      out.push_back(std::to_string(p[0]) + "@" + std::to_string(GetLE16(p.data() + 1)));
    }
  }
  return out;
}

struct Row {
  const char* name;
  std::function<void(AnswerFixture&)> setup;
  // Empty: the short answer with the case's good status (0 or 6).
  std::vector<uint8_t> payload;
  std::vector<std::string> sent;
  SlotOpCode opAfter;
  int progress;  // -1: not looked at
  int max;       // -1: not looked at
  std::vector<std::string> log;
  std::function<void(AnswerFixture&)> extra = nullptr;
};

struct Case {
  Row row;
  uint8_t status;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.row.name << " status " << int{c.status}; }

JobState& J(AnswerFixture& f) { return *f.js; }

void ArmSlot(AnswerFixture& f, SlotOpCode op, uint32_t totalKB, uint32_t kbIndex = 0) {
  f.Arm(kSlot, op, totalKB);
  f.js->SlotKbIndex[kSlot] = kbIndex;
}

std::vector<uint8_t> Le32(uint32_t v) {
  std::vector<uint8_t> p(4);
  PutLE32(p.data(), v);
  return p;
}

std::vector<uint8_t> SpdBlock() {
  std::vector<uint8_t> p = Counting(4096, 9);
  p[512] = 0x11;
  p[514] = 0x22;
  p[516] = 0x33;
  p[518] = 0xAB;
  return p;
}

std::vector<uint8_t> SpiEepromId() {
  std::vector<uint8_t> p = Counting(130, 0x40);
  p[0] = 0x8C;
  return p;
}

std::vector<Row> Table() {
  return {
      // --- Download -------------------------------------------------------------
      {"DownloadSendsTheFirstPage",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpDownload, 0);
         J(f).DataSizeKB = 8;
       },
       {}, {"85@0"}, kOpDownloadPages, 4, 9, {},
       [](AnswerFixture& f) {
         EXPECT_EQ(J(f).SlotTimeout[kSlot], 500);
         EXPECT_EQ(J(f).SlotBlockTotal[kSlot], 8u);
         EXPECT_EQ(J(f).SlotRawPending[kSlot], 0);
       }},
      {"DownloadOfAChipUnder1KBStillSendsOnePage",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpDownload, 0);
         J(f).DataSizeKB = 0;
       },
       {}, {"85@0"}, kOpDownloadPages, 1, 1, {},
       [](AnswerFixture& f) { EXPECT_EQ(J(f).SlotBlockTotal[kSlot], 1u); }},
      {"LargeDownloadAnnouncesRawRounds",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpDownload, 0);
         J(f).DataSizeKB = 2048;
         J(f).LargeDownload = 1;
       },
       {}, {"89@0"}, kOpDownloadRaw, 4, 2049, {},
       [](AnswerFixture& f) {
         EXPECT_EQ(J(f).SlotTimeout[kSlot], 1000);
         EXPECT_EQ(J(f).SlotRawPending[kSlot], 1);
       }},
      {"DataPageSendsTheNextPage", [](AnswerFixture& f) { ArmSlot(f, kOpDownloadPages, 8); }, {},
       {"85@4"}, kOpDownloadPages, 8, -1, {}},
      {"LastDataPageEndsWellAndSendsOffLineMonitor",
       [](AnswerFixture& f) { ArmSlot(f, kOpDownloadPages, 8, 4); }, {}, {"138"}, kOpIdle, 100, 100,
       {"Operation Success!"}},
      {"AnswerTo89SendsTheFirstRound",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpDownloadRaw, 128);
         J(f).SlotRawPending[kSlot] = 1;
         std::vector<uint8_t> data = Counting(65536, 3);
         std::copy(data.begin(), data.end(), J(f).DataBuffer.get());
       },
       {}, {"raw", "raw"}, kOpDownloadRaw, 64, -1, {"Start Transmitter Data......"},
       [](AnswerFixture& f) {
         std::vector<uint8_t> data = Counting(65536, 3);
         EXPECT_EQ(J(f).SlotSendSum[kSlot], std::accumulate(data.begin(), data.end(), 0u));
         EXPECT_EQ(J(f).SlotRawPending[kSlot], 0);
         EXPECT_EQ(J(f).SlotKbIndex[kSlot], 0u);
       }},
      {"RoundSumMatchesAndMoreFollow",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpDownloadRaw, 192, 64);
         J(f).SlotSendSum[kSlot] = 0x12345678;
         f.view.gauges[kSlot].max = 193;
       },
       Le32(0x12345678), {"raw", "raw"}, kOpDownloadRaw, 128, -1, {},
       [](AnswerFixture& f) { EXPECT_EQ(J(f).SlotKbIndex[kSlot], 128u); }},
      {"LastRoundSumMatchesEndsWell",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpDownloadRaw, 128, 64);
         J(f).SlotSendSum[kSlot] = 0x12345678;
       },
       Le32(0x12345678), {"138"}, kOpIdle, -1, -1, {"Operation Success!"}},
      {"RoundSumDiffersFailsWithDataVerifyError",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpDownloadRaw, 192, 64);
         J(f).SlotSendSum[kSlot] = 0x12345678;
       },
       Le32(0x12345679), {}, kOpIdle, -1, -1, {"Operation Failed!", "Data verify error!"},
       [](AnswerFixture& f) { EXPECT_EQ(f.view.gauges[kSlot].color, GaugeColor::Red); }},

      // --- Erase, program, verify -------------------------------------------------
      {"EraseInAutoProgramsByPages",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpErase, 0);
         J(f).SlotAutoMode[kSlot] = 1;
         J(f).DataSizeKB = 16;
       },
       {}, {"149@0"}, kOpProgram149, 1, 16, {"Chip has been Erased, Do Programming......"},
       [](AnswerFixture& f) {
         EXPECT_EQ(J(f).SlotBusy[kSlot], 1);
         EXPECT_EQ(J(f).SlotTimeout[kSlot], 500);
         EXPECT_EQ(J(f).SlotBlockTotal[kSlot], 16u);
       }},
      {"EraseInAutoOfALargeImageStartsTheStream",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpErase, 0);
         J(f).SlotAutoMode[kSlot] = 1;
         J(f).DataSizeKB = 4096;
         J(f).LargeImage = 1;
       },
       {}, {"150@0"}, kOpProgram150, -1, 4096, {"Chip has been Erased, Do Programming......"}},
      {"EraseAloneEndsWell", [](AnswerFixture& f) { ArmSlot(f, kOpErase, 0); }, {}, {}, kOpIdle, 100,
       100, {"Operation Success!"}},
      {"ProgramPageSendsTheNext", [](AnswerFixture& f) { ArmSlot(f, kOpProgram149, 16); }, {},
       {"149@4"}, kOpProgram149, 5, -1, {}},
      {"LastProgramPageInAutoVerifies",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpProgram149, 8, 4);
         J(f).SlotAutoMode[kSlot] = 1;
         J(f).DataSizeKB = 8;
       },
       {}, {"147@51"}, kOpVerify, 6, 502, {"Programming Success, do verification......"},
       [](AnswerFixture& f) {
         EXPECT_EQ(J(f).SlotTimeout[kSlot], 502);
         EXPECT_EQ(J(f).SlotBusy[kSlot], 1);
       }},
      {"LastProgramPageAloneEndsWell", [](AnswerFixture& f) { ArmSlot(f, kOpProgram149, 8, 4); }, {},
       {}, kOpIdle, -1, -1, {"Operation Success!"}},
      {"ProgramStreamAcceptedHandsOverToThePacing",
       [](AnswerFixture& f) { ArmSlot(f, kOpProgram150, 4096); }, {}, {}, kOpIdle, -1, -1, {},
       [](AnswerFixture& f) {
         EXPECT_EQ(J(f).SlotDownloading[kSlot], 1);
         EXPECT_EQ(J(f).SlotBusy[kSlot], 0);
         EXPECT_EQ(J(f).SlotTimeout[kSlot], 0);
         EXPECT_FALSE(SlotReady(J(f), kSlot));
       }},
      {"VerifyInAutoCountsTheChipAndSends134",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpVerify, 0);
         J(f).SlotAutoMode[kSlot] = 1;
         J(f).OnlineSN = 1;
         J(f).SNValue = 0x1FFFF;
         J(f).SNGain = 0x10002;
       },
       {}, {"134"}, kOpIdle, 100, 100, {"Operation Success!"},
       [](AnswerFixture& f) {
         EXPECT_EQ(J(f).OkCount, 1);
         EXPECT_EQ(f.view.panels[2], "Burn OK, Total: 1");
         // The run moved the number on when it handed them out.
         EXPECT_EQ(J(f).SNValue, 0x1FFFF);
         EXPECT_TRUE(f.view.serialNumbers.empty());
       }},
      {"VerifyAloneEndsWell", [](AnswerFixture& f) { ArmSlot(f, kOpVerify, 0); }, {}, {}, kOpIdle, -1,
       -1, {"Operation Success!"},
       [](AnswerFixture& f) {
         EXPECT_EQ(J(f).OkCount, 0);
         EXPECT_EQ(f.view.panels[2], "");
         EXPECT_TRUE(f.view.serialNumbers.empty());  // online numbers off
       }},
      {"BlankChip", [](AnswerFixture& f) { ArmSlot(f, kOpBlankCheck, 0); }, {}, {}, kOpIdle, -1, -1,
       {"Chip is Blank!", "Operation Success!"}},
      {"NotBlankChipEndsWell", [](AnswerFixture& f) { ArmSlot(f, kOpBlankCheck, 0); },
       StatusPayload(21), {}, kOpIdle, -1, -1, {"Chip is Not Blank!", "Operation Success!"},
       [](AnswerFixture& f) {
         EXPECT_EQ(f.view.gauges[kSlot].color, GaugeColor::Blue);
         EXPECT_TRUE(f.view.boxes.empty());
       }},
      {"AddressWrite", [](AnswerFixture& f) { ArmSlot(f, kOpAddressWrite, 0); }, {}, {}, kOpIdle, -1,
       -1, {"Write Specific Address Success!", "Operation Success!"}},

      // --- Reads ------------------------------------------------------------------
      {"ReadBlockAsksForTheNext", [](AnswerFixture& f) { ArmSlot(f, kOpReadChip155, 8); },
       Counting(4096, 1), {"155@4"}, kOpReadChip155, 6, -1, {},
       [](AnswerFixture& f) {
         std::vector<uint8_t> want = Counting(4096, 1);
         EXPECT_TRUE(std::equal(want.begin(), want.end(), J(f).DataBuffer.get()));
         EXPECT_EQ(J(f).DataLoaded, 0);
       }},
      {"LastReadBlockLoadsTheData", [](AnswerFixture& f) { ArmSlot(f, kOpReadChip155, 8, 4); },
       Counting(4096, 2), {}, kOpIdle, -1, -1, {"Chip Data has been read out.", "Operation Success!"},
       [](AnswerFixture& f) {
         std::vector<uint8_t> want = Counting(4096, 2);
         EXPECT_TRUE(std::equal(want.begin(), want.end(), J(f).DataBuffer.get() + 4096));
         EXPECT_EQ(J(f).DataLoaded, 1);
       }},
      {"ReadBlockOf528BytePagesSplitsDataAndSpare",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpReadChip155, 12, 4);
         J(f).ChipFamily = 0x20;
       },
       Counting(8 * 528, 5), {"155@8"}, kOpReadChip155, -1, -1, {},
       [](AnswerFixture& f) {
         std::vector<uint8_t> payload = Counting(8 * 528, 5);
         for (int p = 0; p < 8; ++p) {
           const uint8_t* page = payload.data() + p * 528;
           EXPECT_TRUE(std::equal(page, page + 512, J(f).DataBuffer.get() + 4096 + p * 512)) << p;
           EXPECT_TRUE(std::equal(page + 512, page + 528, J(f).PageSpareArea() + 128 + p * 16)) << p;
         }
         EXPECT_EQ(J(f).DataBuffer[4096 + 8 * 512], 0);  // the next block is untouched
       }},
      {"ReadOfAnSpdPartShowsItsProtection",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpReadChip155, 4);
         J(f).ChipFamily = 0xD0;
       },
       SpdBlock(), {}, kOpIdle, -1, -1,
       {"Chip Data has been read out.", "Operation Success!",
        "Chip Protection Statu is:0x11 0x22 0x33 0xAB "}},
      {"StoredImageBlockWaitsForTheNext", [](AnswerFixture& f) { ArmSlot(f, kOpReadDownloaded, 8); },
       Counting(4096, 7), {}, kOpReadDownloaded, 4, -1, {}},
      {"LastStoredImageBlockLoadsTheData",
       [](AnswerFixture& f) { ArmSlot(f, kOpReadDownloaded, 8, 4); }, Counting(4096, 8), {}, kOpIdle,
       -1, -1, {"Download Data has been read out.", "Operation Success!"},
       [](AnswerFixture& f) {
         std::vector<uint8_t> want = Counting(4096, 8);
         EXPECT_TRUE(std::equal(want.begin(), want.end(), J(f).DataBuffer.get() + 4096));
         EXPECT_EQ(J(f).DataLoaded, 1);
       }},
      {"ReadIdLogsIdAndStatus", [](AnswerFixture& f) { ArmSlot(f, kOpReadId, 0); },
       {0xEF, 0x40, 0x00, 0x00, 0x1C, 0x02}, {}, kOpIdle, -1, -1,
       {"Read Chip Information success: ID=0x40,0xEF, Statu Reg=0x1C,0x02", "Operation Success!"}},
      {"ReadIdOfAnSpiEepromLogsStatusAndEightDidLines",
       [](AnswerFixture& f) {
         ArmSlot(f, kOpReadId, 0);
         J(f).ChipFamily = 0xB0;
       },
       SpiEepromId(), {}, kOpIdle, -1, -1,
       [] {
         std::vector<std::string> lines{"Read Chip Statu data is:0x8C.", "Read Chip DID data are:"};
         std::vector<uint8_t> p = SpiEepromId();
         for (int l = 0; l < 8; ++l) {
           std::string line;
           for (int i = 0; i < 16; ++i) line += msg::Fmt("%0.2x ", p[2 + 16 * l + i]);
           lines.push_back(line);
         }
         lines.push_back("Operation Success!");
         return lines;
       }()},
  };
}

std::vector<Case> Cases() {
  std::vector<Case> out;
  for (const Row& row : Table()) {
    out.push_back({row, 0});
    if (row.payload.empty()) out.push_back({row, 6});  // status 6 is as good as 0
  }
  return out;
}

struct AnswerTable : AnswerFixture, ::testing::WithParamInterface<Case> {};

TEST_P(AnswerTable, AnswerMovesTheOperationOn) {
  const Row& row = GetParam().row;
  js->SlotAutoMode.fill(0);
  row.setup(*this);
  SealSlotSettings(*js, kSlot);  // the settings the operation started with
  const std::vector<uint8_t> payload =
      row.payload.empty() ? StatusPayload(GetParam().status) : row.payload;
  Answer(kSlot, payload);

  EXPECT_EQ(SentTexts(*this, kSlot), row.sent);
  EXPECT_EQ(js->SlotOp[kSlot], row.opAfter);
  if (row.progress >= 0) {
    EXPECT_EQ(view.gauges[kSlot].progress, row.progress);
  }
  if (row.max >= 0) {
    EXPECT_EQ(view.gauges[kSlot].max, row.max);
  }
  EXPECT_EQ(SlotTexts(kSlot), row.log);
  if (row.extra) row.extra(*this);
  // Only the answering slot moves.
  for (int other = 0; other < kSlotCount; ++other) {
    if (other == kSlot) continue;
    EXPECT_TRUE(ports[other].sent.empty()) << other;
    EXPECT_TRUE(SlotTexts(other).empty()) << other;
  }
}

INSTANTIATE_TEST_SUITE_P(Operations, AnswerTable, ::testing::ValuesIn(Cases()),
                         [](const auto& info) {
                           return std::string(info.param.row.name) +
                                  (info.param.status == 6 ? "_Status6" : "");
                         });

// --- Failures ----------------------------------------------------------------

struct Failure {
  SlotOpCode op;
  bool badCheck;  // else the unit's status 0x2C
};

void PrintTo(const Failure& f, std::ostream* os) { *os << "op " << static_cast<int>(f.op); }

struct FailureInEveryState : AnswerFixture, ::testing::WithParamInterface<Failure> {};

TEST_P(FailureInEveryState, EndsOnlyThatSlotsOperationWithItsCode) {
  const Failure f = GetParam();
  ArmSlot(*this, f.op, 64, 8);
  // Another slot programs meanwhile.
  js->SlotOp[5] = kOpProgram149;
  js->SlotBusy[5] = 1;
  Answer(kSlot, StatusPayload(0x2C), f.badCheck);

  const std::string text = f.badCheck ? "Packet error!" : "Flash Memory Error!";
  EXPECT_EQ(js->SlotOp[kSlot], kOpIdle);
  EXPECT_EQ(js->SlotBusy[kSlot], 0);
  EXPECT_EQ(view.gauges[kSlot].color, GaugeColor::Red);
  EXPECT_EQ(view.gauges[kSlot].progress, view.gauges[kSlot].max);
  EXPECT_TRUE(ports[kSlot].sent.empty());
  std::vector<std::string> log = SlotTexts(kSlot);
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log.front(), "Operation Failed!");
  EXPECT_EQ(log.back(), text);
  EXPECT_EQ(view.errorBoxes, std::vector<std::string>{text});
  EXPECT_EQ(js->SlotOp[5], kOpProgram149);
  EXPECT_EQ(js->SlotBusy[5], 1);
}

std::vector<Failure> Failures() {
  std::vector<Failure> out;
  for (SlotOpCode op : {kOpReadChip155, kOpDownload, kOpDownloadPages, kOpDownloadRaw, kOpBlankCheck,
                     kOpErase, kOpProgram149, kOpProgram150, kOpVerify, kOpReadChip154,
                     kOpReadDownloaded, kOpAddressWrite, kOpReadId, kOpFirmwareUpgrade}) {
    out.push_back({op, false});
    out.push_back({op, true});
  }
  return out;
}

INSTANTIATE_TEST_SUITE_P(States, FailureInEveryState, ::testing::ValuesIn(Failures()),
                         [](const auto& info) {
                           return "Op" + std::to_string(static_cast<int>(info.param.op)) +
                                  (info.param.badCheck ? "_WrongCheckValue" : "_ErrorStatus");
                         });

TEST_F(AnswerFixture, IdleSlotDropsErrorsAndLateAnswers) {
  AnswerStatus(kSlot, 0x2C);
  Answer(kSlot, StatusPayload(0), true);
  Answer(kSlot, Counting(4096, 1));
  EXPECT_EQ(js->SlotOp[kSlot], kOpIdle);
  EXPECT_TRUE(view.log.empty());
  EXPECT_TRUE(view.boxes.empty());
  EXPECT_TRUE(ports[kSlot].sent.empty());
}

TEST_F(AnswerFixture, SequenceReportDuringAnotherOperationLeavesItRunning) {
  Arm(kSlot, kOpProgram149, 64);
  js->SlotKbIndex[kSlot] = 8;
  // Step 0x30 (erasing), check byte making the sum 0.
  std::vector<uint8_t> report{0xFD, 0x30, 0x00, 0, 0, 0, 0, 0};
  report[7] = static_cast<uint8_t>(-std::accumulate(report.begin(), report.end(), 0));
  Deliver(report, kSlot);
  EXPECT_EQ(js->SlotOp[kSlot], kOpProgram149);
  EXPECT_EQ(js->SlotBusy[kSlot], 1);
  EXPECT_EQ(js->SlotKbIndex[kSlot], 8u);
  EXPECT_EQ(SlotTexts(kSlot), std::vector<std::string>{"Do Chip Erasing...."});
  EXPECT_TRUE(ports[kSlot].sent.empty());
}

// --- Payload sizes -------------------------------------------------------------

struct ShortAnswer {
  const char* name;
  SlotOpCode op;
  uint8_t family;
  size_t carried;
  size_t expected;
};

void PrintTo(const ShortAnswer& c, std::ostream* os) { *os << c.name; }

struct ShortAnswers : AnswerFixture, ::testing::WithParamInterface<ShortAnswer> {};

// A good status with fewer bytes than the handler takes must not end well
// with stale bytes of the packet area in the data buffer.
TEST_P(ShortAnswers, FailTheOperationAndStoreNothing) {
  const ShortAnswer& c = GetParam();
  js->ChipFamily = c.family;
  ArmSlot(*this, c.op, 64, 0);
  js->SlotSendSum[kSlot] = 0;  // a round sum of zero bytes would match 0
  std::memset(js->DataBuffer.get(), 0x77, 8192);
  Answer(kSlot, std::vector<uint8_t>(c.carried, 0));

  EXPECT_EQ(js->SlotOp[kSlot], kOpIdle);
  EXPECT_EQ(view.gauges[kSlot].color, GaugeColor::Red);
  EXPECT_EQ(SlotTexts(kSlot),
            (std::vector<std::string>{msg::Fmt("Answer too short: %d data bytes, %d expected!",
                                               static_cast<int>(c.carried),
                                               static_cast<int>(c.expected)),
                                      "Operation Failed!", "Packet Data error"}));
  EXPECT_TRUE(std::all_of(js->DataBuffer.get(), js->DataBuffer.get() + 8192,
                          [](uint8_t b) { return b == 0x77; }));
  EXPECT_TRUE(ports[kSlot].sent.empty());
  EXPECT_EQ(js->DataLoaded, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, ShortAnswers,
    ::testing::Values(ShortAnswer{"ReadBlock", kOpReadChip155, 0, 100, 4096},
                      ShortAnswer{"ReadBlockStatusOnly", kOpReadChip155, 0, 2, 4096},
                      ShortAnswer{"ReadBlockOf528BytePages", kOpReadChip155, 0x20, 4096, 4224},
                      ShortAnswer{"StoredImage", kOpReadDownloaded, 0, 4095, 4096},
                      ShortAnswer{"ReadId", kOpReadId, 0, 5, 6},
                      ShortAnswer{"ReadIdOfAnSpiEeprom", kOpReadId, 0xB0, 6, 130}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AnswerFixture, RoundSumAnswerWithoutTheSumFails) {
  ArmSlot(*this, kOpDownloadRaw, 128, 0);
  js->SlotSendSum[kSlot] = 0;
  AnswerStatus(kSlot, 0);
  EXPECT_EQ(js->SlotOp[kSlot], kOpIdle);
  EXPECT_EQ(SlotTexts(kSlot), (std::vector<std::string>{"Answer too short: 2 data bytes, 4 expected!",
                                                        "Operation Failed!", "Packet Data error"}));
  EXPECT_TRUE(ports[kSlot].sent.empty());
}

// The check value covers what came, but the header names another length:
// the handler would read beyond the answer.
TEST_F(AnswerFixture, AnswerLongerOrShorterThanItsHeaderIsAPacketDataError) {
  for (int delta : {-1, +1}) {
    ArmSlot(*this, kOpReadChip155, 64, 0);
    view.log.clear();
    std::vector<uint8_t> packet{0x80, 0, 0, 0, 0, 0, 0, 0};
    PutLE16(packet.data() + 6, static_cast<uint32_t>(4096 + delta));
    std::vector<uint8_t> data = Counting(4096, 1);
    packet.insert(packet.end(), data.begin(), data.end());
    uint16_t crc = PacketCRC16(packet.data(), 0, static_cast<uint32_t>(packet.size() - 1));
    packet.push_back(static_cast<uint8_t>(crc));
    packet.push_back(static_cast<uint8_t>(crc >> 8));
    Deliver(packet, kSlot);
    EXPECT_EQ(js->SlotOp[kSlot], kOpIdle) << delta;
    EXPECT_EQ(SlotTexts(kSlot), (std::vector<std::string>{"Operation Failed!", "Packet Data error"}))
        << delta;
    EXPECT_EQ(js->DataBuffer[0], 0) << delta;
  }
}

// --- A read stopped part-way ------------------------------------------------

TEST_F(AnswerFixture, ReadFailingAfterItsFirstBlockMarksTheBufferNotLoaded) {
  for (SlotOpCode op : {kOpReadChip155, kOpReadDownloaded}) {
    js->DataLoaded = 1;  // an image loaded from a file
    view.log.clear();
    ArmSlot(*this, op, 64, 0);
    Answer(kSlot, Counting(4096, 1));
    ASSERT_EQ(js->SlotOp[kSlot], op);
    AnswerStatus(kSlot, 0x2D);
    EXPECT_EQ(js->DataLoaded, 0) << static_cast<int>(op);
    EXPECT_EQ(SlotTexts(kSlot),
              (std::vector<std::string>{"Operation Failed!",
                                        "Read not completed: the data buffer no longer holds loaded data!",
                                        "Write Flash Memory Error!"}))
        << static_cast<int>(op);
  }
}

TEST_F(AnswerFixture, ReadFailingAtItsFirstAnswerKeepsTheLoadedImage) {
  js->DataLoaded = 1;
  ArmSlot(*this, kOpReadChip155, 64, 0);
  AnswerStatus(kSlot, 0x2D);
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_EQ(SlotTexts(kSlot),
            (std::vector<std::string>{"Operation Failed!", "Write Flash Memory Error!"}));
}

// --- The paced stream ---------------------------------------------------------

TEST_F(AnswerFixture, ErrorStatusDuringThePacedStreamEndsThatSlotsOperation) {
  Arm(kSlot, kOpProgram150, 4096);
  AnswerStatus(kSlot, 0);
  ASSERT_EQ(js->SlotDownloading[kSlot], 1);
  AnswerStatus(kSlot, 0x2D);
  EXPECT_EQ(js->SlotDownloading[kSlot], 0);
  EXPECT_EQ(js->SlotOp[kSlot], kOpIdle);
  EXPECT_TRUE(SlotReady(*js, kSlot));
  EXPECT_EQ(view.gauges[kSlot].color, GaugeColor::Red);
  EXPECT_EQ(SlotTexts(kSlot),
            (std::vector<std::string>{"Operation Failed!", "Write Flash Memory Error!"}));
}

TEST_F(AnswerFixture, GoodAnswersDuringThePacedStreamChangeNothing) {
  Arm(kSlot, kOpProgram150, 4096);
  AnswerStatus(kSlot, 0);
  AnswerStatus(kSlot, 0);
  AnswerStatus(kSlot, 6);
  EXPECT_EQ(js->SlotDownloading[kSlot], 1);
  EXPECT_FALSE(SlotReady(*js, kSlot));
  EXPECT_TRUE(SlotTexts(kSlot).empty());
}

}  // namespace
