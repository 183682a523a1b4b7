// Whole operations from the first command to the last answer: the engine
// and the serial port component against simulated units on
// pseudo-terminals, with the two timers ticking on the real clock. The
// operations are started here as the window's commands start them.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "PtyUnit.h"
#include "protocol/SealedSettings.h"
#include "protocol/AnswerHandling.h"
#include "protocol/DataRange.h"
#include "protocol/JobState.h"
#include "protocol/ReceiveBuffer.h"
#include "protocol/Senders.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"
#include "support/FakeView.h"
#include "support/SlotFlagsCheck.h"
#include "support/SlotPrefix.h"
#include "transport/PtyFixture.h"
#include "transport/TComm.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr uint8_t kFamily = 0x10;
// The real link: 1,000,000 baud with 11 bits per byte.
constexpr long kLinkBaud = 1000000;

// --- The operation commands, as the window starts them on one slot ---------------

// A command's start: the slot takes its sealed copy of the settings.
void Prepare(JobState& js, SlotOpCode op, int slot) {
  SealSlotSettings(js, slot);
  js.SlotRxCount[slot] = 0;
  js.SlotGaugeTick[slot] = 0;
  js.SlotAutoMode[slot] = 0;
  js.SlotOp[slot] = op;
}

void StartProgram(JobState& js, int slot) {
  Prepare(js, js.LargeImage ? kOpProgram150 : kOpProgram149, slot);
  js.SlotDownloading[slot] = 0;
  StartSlotOperation(js, 500, js.DataSizeKB, slot);
  if (js.LargeImage) {
    SendCommandWithChipParams(js, 150, slot);
  } else {
    SendProgramPages(js, 149, 0, 0, slot);
  }
}

// Auto without erase: program, then verify.
void StartAutoProgram(JobState& js, int slot) {
  StartProgram(js, slot);
  js.SlotAutoMode[slot] = 1;
}

void StartReadBlocks(JobState& js, int slot) {
  js.ReadLength = js.DataSizeKB * 1024;
  Prepare(js, kOpReadChip155, slot);
  StartSlotOperation(js, 500, js.DataSizeKB, slot);
  SendChipCommand(js, 155, 0, slot);
}

// The read length is the data size unless the operator chose a shorter one.
void StartReadStream(JobState& js, uint32_t readLength = 0) {
  js.ReadLength = readLength != 0 ? readLength : js.DataSizeKB * 1024;
  Prepare(js, kOpReadChip154, 0);
  StartSlotOperation(js, 500, js.DataSizeKB, 0);
  SendCommandWithChipParams(js, 154, 0);
}

void StartDownload(JobState& js, int slot) {
  js.LargeDownload = js.LargeImage;
  Prepare(js, kOpDownload, slot);
  StartSlotOperation(js, 500, 0, slot);
  SendChipConfig(js, 83, js.LargeImage ? 256 : 0, slot);
}

// Distinct data for each unit.
std::vector<uint8_t> UnitData(uint32_t kb, int unit) {
  std::vector<uint8_t> data(kb * 1024);
  for (size_t i = 0; i < data.size(); ++i) {
    data[i] = static_cast<uint8_t>(i * (2 * unit + 3) + unit * 71 + (i >> 12));
  }
  return data;
}

struct Units : ::testing::Test {
  ApplicationGuard application;
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  FakeView view;
  std::vector<std::unique_ptr<unitsim::PtyUnit>> units;
  std::vector<std::unique_ptr<TComm>> comms;  // closed before the units go

  ~Units() override {
    for (auto& comm : comms) comm->ClosePort();
  }

  // Units on the first slots, found by the probe as the device search finds them.
  void Connect(const std::vector<unitsim::UnitConfig>& configs) {
    js->LogMemo = &view;
    InitChipParams(*js);
    std::array<ISlotPort*, kSlotCount> ports{};
    for (size_t i = 0; i < configs.size(); ++i) {
      units.push_back(std::make_unique<unitsim::PtyUnit>(configs[i]));
      std::string error;
      ASSERT_TRUE(units.back()->Start(error)) << error;
      comms.push_back(std::make_unique<TComm>());
      TComm& comm = *comms.back();
      ApplyMainWindowSettings(comm);
      comm.SetCommName(units.back()->DevicePath());
      const int slot = static_cast<int>(i);
      comm.OnReceiveData = [this, slot](TComm*, const uint8_t* bytes, uint16_t length) {
        ReceiveSlotChunk(*js, bytes, length, slot, CheckedReceivedFrame);
        ExpectSlotFlagsConsistent(*js);
      };
      ASSERT_NO_THROW(comm.OpenPort());
      ports[i] = &comm;
    }
    InitSlotTables(*js, ports, view.GaugePointers());
    for (size_t i = 0; i < configs.size(); ++i) SendProbe(*js, static_cast<int>(i));
    ASSERT_TRUE(Run([&] { return js->DeviceCount == configs.size(); }, 10s));
  }

  void UseChip(uint32_t kb, bool large) {
    js->ChipFamily = kFamily;
    js->ChipSubType = 1;
    js->ChipSize = kb * 1024;
    js->ChipSizeCopy = kb * 1024;
    js->DataSizeKB = kb;
    js->DataStart = 0;
    js->DataEnd = kb * 1024 - 1;
    js->LargeImage = large;
  }

  // The data as a load leaves it: in the buffer and summed over the range.
  void LoadData(const std::vector<uint8_t>& data) {
    std::copy(data.begin(), data.end(), js->DataBuffer.get());
    js->DataLoaded = 1;
    UpdateChecksums(*js, 0, js->DataEnd - js->DataStart);
  }

  // Events and the two timers (10 ms and 170 ms, never made up when late)
  // until done holds; false when the limit passes first.
  bool Run(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto start = Clock::now();
    auto next10 = start + 10ms, next170 = start + 170ms;
    while (!done()) {
      const auto now = Clock::now();
      if (now - start > limit) return false;
      QCoreApplication::processEvents(QEventLoop::AllEvents, 2);
      if (now >= next10) {
        TickSlotTimeouts(*js);
        ExpectSlotFlagsConsistent(*js);
        next10 = now + 10ms;
      }
      if (now >= next170) {
        PaceDownloads(*js);
        ExpectSlotFlagsConsistent(*js);
        next170 = now + 170ms;
      }
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }
  bool Idle(int slot) const { return js->SlotBusy[slot] == 0 && !SlotStreaming(*js, slot); }
  bool RunUntilIdle(const std::vector<int>& which, std::chrono::milliseconds limit) {
    return Run(
        [&] {
          for (int s : which) {
            if (!Idle(s)) return false;
          }
          return true;
        },
        limit);
  }

  std::vector<uint8_t> ChipOf(int unit, size_t length) {
    std::vector<uint8_t> chip;
    units[unit]->Inspect([&](const unitsim::SimUnit& u) { chip = u.Chip().Read(0, length); });
    return chip;
  }
  std::vector<uint8_t> StoredOf(int unit, size_t length) {
    std::vector<uint8_t> stored;
    units[unit]->Inspect([&](const unitsim::SimUnit& u) { stored = u.StoredImage().Read(0, length); });
    return stored;
  }
  std::vector<uint8_t> Buffer(size_t length) const {
    return {js->DataBuffer.get(), js->DataBuffer.get() + length};
  }
  // Runs one operation on the slot to its end; the slot's log texts since
  // its start.
  std::vector<std::string> Operation(int slot, const std::function<void()>& start) {
    const size_t from = view.log.size();
    start();
    EXPECT_TRUE(RunUntilIdle({slot}, 20s));
    const std::string prefix = SlotPrefix(slot);
    std::vector<std::string> texts;
    const std::vector<std::string> all = view.LogTexts();
    for (size_t i = from; i < all.size(); ++i) {
      if (all[i].rfind(prefix, 0) == 0) texts.push_back(all[i].substr(prefix.size()));
    }
    return texts;
  }
  std::string LastSlotText(int slot) const {
    const std::string prefix = SlotPrefix(slot);
    std::string last;
    for (const auto& t : view.LogTexts()) {
      if (t.rfind(prefix, 0) == 0) last = t.substr(prefix.size());
    }
    return last;
  }
};

void StartChipCommand(JobState& js, SlotOpCode op, uint8_t subCode, int slot) {
  Prepare(js, op, slot);
  js.SlotGaugeTick[slot] = 1;
  StartSlotOperation(js, 500, 0, slot);
  SendChipCommand(js, 147, subCode, slot);
}

// Auto of a flash chip with erase: erase, program by pages, verify.
void StartAutoWithErase(JobState& js, int slot) {
  StartChipCommand(js, kOpErase, 3, slot);
  js.SlotAutoMode[slot] = 1;
}

void StartReadStored(JobState& js) {
  Prepare(js, kOpReadDownloaded, 0);
  StartSlotOperation(js, 500, js.DataSizeKB, 0);
  SendCommand2(js, 57, 0, 0);
}

void StartAddressWrite(JobState& js, uint16_t address, const std::vector<uint8_t>& data) {
  js.AddrWriteAddr = address;
  js.AddrWriteLen = static_cast<uint16_t>(data.size());
  js.AddrWriteData = data;
  Prepare(js, kOpAddressWrite, 0);
  js.SlotGaugeTick[0] = 1;
  StartSlotOperation(js, 500, 0, 0);
  SendAddressWrite(js, 0);
}

std::vector<unitsim::UnitConfig> ThreeUnits(long baud) {
  return std::vector<unitsim::UnitConfig>(3, unitsim::Config([&](auto& c) { c.Baud = baud; }));
}

using Texts = std::vector<std::string>;

// Every operation of unit 1, one after the other, against its chip.
TEST_F(Units, EveryOperationRunsToItsEndOnAUnit) {
  Connect({unitsim::Config([](auto& c) { c.NotBlank = true; })});
  constexpr uint32_t kKB = 32;
  UseChip(kKB, false);
  js->ChipId1 = 0xEF;
  js->ChipId2 = 0x40;
  const std::vector<uint8_t> data = UnitData(kKB, 1);
  LoadData(data);

  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpBlankCheck, 0x35, 0); }),
            (Texts{"Chip is Not Blank!", "Operation Success!"}));
  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpErase, 3, 0); }),
            (Texts{"Operation Success!"}));
  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpBlankCheck, 0x35, 0); }),
            (Texts{"Chip is Blank!", "Operation Success!"}));
  EXPECT_EQ(Operation(0, [&] { StartAutoWithErase(*js, 0); }),
            (Texts{"Chip has been Erased, Do Programming......",
                   "Programming Success, do verification......", "Operation Success!"}));
  EXPECT_EQ(view.panels[2], "Burn OK, Total: 1");
  EXPECT_TRUE(ChipOf(0, data.size()) == data);
  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpVerify, 0x33, 0); }),
            (Texts{"Operation Success!"}));
  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpReadId, 0x60, 0); }),
            (Texts{"Read Chip Information success: ID=0xEF,0x40, Statu Reg=0x00,0x00",
                   "Operation Success!"}));
  EXPECT_EQ(Operation(0, [&] { StartAddressWrite(*js, 0x100, {1, 2, 3, 4}); }),
            (Texts{"Write Specific Address Success!", "Operation Success!"}));
  EXPECT_EQ(ChipOf(0, 0x104)[0x100], 1);
  EXPECT_EQ(ChipOf(0, 0x104)[0x103], 4);
  // The chip no longer holds the image.
  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpVerify, 0x33, 0); }),
            (Texts{"Operation Failed!", "Data verify error!"}));

  // Download into the unit by pages, then its stored image back (57).
  EXPECT_EQ(Operation(0, [&] { StartDownload(*js, 0); }), (Texts{"Operation Success!"}));
  EXPECT_TRUE(StoredOf(0, data.size()) == data);
  std::fill_n(js->DataBuffer.get(), data.size(), 0);
  js->DataLoaded = 0;
  EXPECT_EQ(Operation(0, [&] { StartReadStored(*js); }),
            (Texts{"Download Data has been read out.", "Operation Success!"}));
  EXPECT_TRUE(Buffer(data.size()) == data);
  EXPECT_EQ(js->DataLoaded, 1);

  // The chip (with the address write in it) by the streamed read.
  std::fill_n(js->DataBuffer.get(), data.size(), 0);
  EXPECT_EQ(Operation(0, [&] { StartReadStream(*js); }), (Texts{"Chip Data has been read out."}));
  EXPECT_TRUE(Buffer(data.size()) == ChipOf(0, data.size()));

  // Programmed again, it verifies; erased, it does not.
  LoadData(data);
  EXPECT_EQ(Operation(0, [&] { StartAutoWithErase(*js, 0); }),
            (Texts{"Chip has been Erased, Do Programming......",
                   "Programming Success, do verification......", "Operation Success!"}));
  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpErase, 3, 0); }), (Texts{"Operation Success!"}));
  EXPECT_EQ(Operation(0, [&] { StartChipCommand(*js, kOpVerify, 0x33, 0); }),
            (Texts{"Operation Failed!", "Data verify error!"}));
}

// Each unit is programmed with its own data, 4 KB per command, then each
// chip is read back block by block.
TEST_F(Units, ProgramByPagesAndReadBackOnThreeUnits) {
  auto configs = ThreeUnits(0);
  configs[2].SequenceReports = true;  // reports its own progress between the answers
  Connect(configs);
  constexpr uint32_t kKB = 64;
  UseChip(kKB, false);
  for (int u = 0; u < 3; ++u) {
    LoadData(UnitData(kKB, u));
    StartProgram(*js, u);
    ASSERT_TRUE(RunUntilIdle({u}, 20s)) << u;
    EXPECT_EQ(LastSlotText(u), "Operation Success!") << u;
  }
  // Its completion report came while the host drove it: no chip of its own.
  EXPECT_EQ(js->SlotOkCount[2], 0);
  EXPECT_EQ(js->OkCount, 0);
  const std::vector<std::string> log = view.LogTexts();
  EXPECT_NE(std::find_if(log.begin(), log.end(),
                         [](const std::string& t) { return t.rfind("C3: Progrmming Completed : Successed!", 0) == 0; }),
            log.end());
  for (int u = 0; u < 3; ++u) {
    std::fill_n(js->DataBuffer.get(), kKB * 1024, 0);
    StartReadBlocks(*js, u);
    ASSERT_TRUE(RunUntilIdle({u}, 20s)) << u;
    EXPECT_EQ(js->DataLoaded, 1) << u;
    const std::vector<uint8_t> want = UnitData(kKB, u);
    EXPECT_TRUE(Buffer(want.size()) == want) << u;
    EXPECT_TRUE(ChipOf(u, want.size()) == want) << u;
  }
}

// Large images go out as the paced raw stream, at the real link's speed;
// unit 1 is read back by the streamed read, the others block by block.
TEST_F(Units, ProgramByThePacedStreamAndReadBackOnThreeUnits) {
  Connect(ThreeUnits(kLinkBaud));
  constexpr uint32_t kKB = 96;
  UseChip(kKB, true);
  for (int u = 0; u < 3; ++u) {
    LoadData(UnitData(kKB, u));
    StartAutoProgram(*js, u);
    ASSERT_TRUE(RunUntilIdle({u}, 30s)) << u;
    EXPECT_EQ(LastSlotText(u), "Operation Success!") << u;
    EXPECT_EQ(js->OkCount, u + 1);
  }
  for (int u = 0; u < 3; ++u) {
    std::fill_n(js->DataBuffer.get(), kKB * 1024, 0);
    if (u == 0) {
      StartReadStream(*js);
    } else {
      StartReadBlocks(*js, u);
    }
    ASSERT_TRUE(RunUntilIdle({u}, 30s)) << u;
    EXPECT_EQ(js->DataLoaded, 1) << u;
    const std::vector<uint8_t> want = UnitData(kKB, u);
    EXPECT_TRUE(Buffer(want.size()) == want) << u;
    EXPECT_TRUE(ChipOf(u, want.size()) == want) << u;
  }
}

// Three streams at once share the tick; each slot's queue drains at its own
// line's pace and each goes on to verify once its last block has left.
TEST_F(Units, PacedStreamsOnThreeUnitsAtOnce) {
  Connect(ThreeUnits(kLinkBaud));
  constexpr uint32_t kKB = 192;
  UseChip(kKB, true);
  LoadData(UnitData(kKB, 5));
  for (int u = 0; u < 3; ++u) StartAutoProgram(*js, u);
  // The host never runs more than two blocks ahead of any line.
  size_t mostWaiting = 0;
  ASSERT_TRUE(Run(
      [&] {
        for (auto& comm : comms) mostWaiting = std::max(mostWaiting, comm->PendingWriteBytes());
        return Idle(0) && Idle(1) && Idle(2);
      },
      40s));
  EXPECT_GT(mostWaiting, 0u);
  EXPECT_LT(mostWaiting, 2 * kSlotRawBlockSize);
  EXPECT_EQ(js->OkCount, 3);
  for (int u = 0; u < 3; ++u) {
    EXPECT_EQ(LastSlotText(u), "Operation Success!") << u;
    EXPECT_TRUE(ChipOf(u, kKB * 1024) == UnitData(kKB, 5)) << u;
  }
}

// Three units program at once: one answers an error status, one falls
// silent; each ends alone and the third finishes.
TEST_F(Units, ErrorAndSilenceEndOnlyTheirOwnUnitsProgram) {
  auto configs = ThreeUnits(0);
  configs[0].ErrorsOn = {unitsim::ErrorOn{149, -1, 3, unitsim::kStatusWriteError}};
  configs[1].SilentAfterCommands = 5;
  Connect(configs);
  constexpr uint32_t kKB = 64;
  UseChip(kKB, false);
  LoadData(UnitData(kKB, 2));
  for (int u = 0; u < 3; ++u) StartProgram(*js, u);
  ASSERT_TRUE(RunUntilIdle({0, 1, 2}, 20s));
  EXPECT_EQ(LastSlotText(0), "Write Flash Memory Error!");
  EXPECT_EQ(LastSlotText(1), "Operation Failed!");
  const Texts all = view.LogTexts();
  EXPECT_NE(std::find(all.begin(), all.end(), "C2: Operation Time Out!"), all.end());
  EXPECT_EQ(LastSlotText(2), "Operation Success!");
  EXPECT_TRUE(ChipOf(2, kKB * 1024) == UnitData(kKB, 2));
  for (int u = 0; u < 2; ++u) EXPECT_EQ(view.gauges[u].color, GaugeColor::Red) << u;
}

// A unit that gives up in the middle of the paced stream reports its error
// status: that slot fails with the code, the others go on to verify.
TEST_F(Units, ErrorStatusDuringThePacedStreamEndsOnlyThatUnitsProgram) {
  auto configs = ThreeUnits(kLinkBaud);
  configs[1].StreamErrorAfterBlocks = 2;
  Connect(configs);
  constexpr uint32_t kKB = 160;
  UseChip(kKB, true);
  LoadData(UnitData(kKB, 6));
  for (int u = 0; u < 3; ++u) StartAutoProgram(*js, u);
  ASSERT_TRUE(RunUntilIdle({0, 1, 2}, 40s));
  EXPECT_EQ(LastSlotText(1), "Write Flash Memory Error!");
  EXPECT_EQ(view.gauges[1].color, GaugeColor::Red);
  EXPECT_EQ(js->SlotDownloading[1], 0);
  EXPECT_EQ(LastSlotText(0), "Operation Success!");
  EXPECT_EQ(LastSlotText(2), "Operation Success!");
  EXPECT_EQ(js->OkCount, 2);
}

// The download of a large image in 64 KB rounds; the second unit reports a
// wrong sum for its second round and fails alone.
TEST_F(Units, RoundDownloadWithAWrongSumOnOneUnit) {
  auto configs = ThreeUnits(0);
  configs[1].BadRoundSum = 2;
  Connect(configs);
  constexpr uint32_t kKB = 256;
  UseChip(kKB, true);
  const std::vector<uint8_t> data = UnitData(kKB, 9);
  LoadData(data);
  for (int u = 0; u < 3; ++u) StartDownload(*js, u);
  ASSERT_TRUE(RunUntilIdle({0, 1, 2}, 30s));
  EXPECT_EQ(LastSlotText(0), "Operation Success!");
  EXPECT_EQ(LastSlotText(2), "Operation Success!");
  EXPECT_EQ(LastSlotText(1), "Data verify error!");
  EXPECT_EQ(view.gauges[1].color, GaugeColor::Red);
  EXPECT_TRUE(StoredOf(0, data.size()) == data);
  EXPECT_TRUE(StoredOf(2, data.size()) == data);
}

// --- The streamed read from units that pad their frames and units that do not ----

struct StreamCase {
  const char* name;
  bool unpadded;
  uint32_t kb;
  uint32_t readLength;  // 0: the whole data size
  size_t erasedLead;    // the chip's leading 0xFF bytes; all of it for a blank chip
  long baud;
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

struct StreamedReadOfUnit : Units, ::testing::WithParamInterface<StreamCase> {};

TEST_P(StreamedReadOfUnit, ReadsTheChipWhole) {
  const StreamCase& c = GetParam();
  Connect({unitsim::Config([&](auto& u) {
    u.Unpadded = c.unpadded;
    u.Baud = c.baud;
  })});
  UseChip(c.kb, true);
  const size_t size = size_t{c.kb} * 1024;
  if (c.erasedLead < size) {
    std::vector<uint8_t> chip = UnitData(c.kb, 4);
    std::fill_n(chip.begin(), c.erasedLead, uint8_t{0xFF});
    chip[c.erasedLead] = 0x3C;
    units[0]->Change([&](unitsim::SimUnit& u) { u.Chip().Write(0, chip.data(), chip.size()); });
  }
  std::fill_n(js->DataBuffer.get(), size + 16, 0);
  EXPECT_EQ(Operation(0, [&] { StartReadStream(*js, c.readLength); }), (Texts{"Chip Data has been read out."}));
  EXPECT_EQ(js->DataLoaded, 1);
  EXPECT_EQ(js->ReadCount, size);
  EXPECT_TRUE(Buffer(size) == ChipOf(0, size));
  EXPECT_EQ(js->DataBuffer[size], 0);
}

INSTANTIATE_TEST_SUITE_P(
    PaddedOrNot, StreamedReadOfUnit,
    ::testing::Values(StreamCase{"unpadded_blank_4MB", true, 4096, 0, SIZE_MAX, 0},
                      StreamCase{"padded_blank_4MB", false, 4096, 0, SIZE_MAX, 0},
                      StreamCase{"unpadded_three_erased_1792_bytes", true, 2, 1792, 3, 0},
                      StreamCase{"padded_three_erased_1792_bytes", false, 2, 1792, 3, 0},
                      StreamCase{"unpadded_nine_erased_on_the_link", true, 64, 0, 9, kLinkBaud},
                      StreamCase{"padded_pattern_on_the_link", false, 64, 0, 0, kLinkBaud}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

// --- A paced stream whose line stops draining --------------------------------------

// The second unit stops reading its line part-way through the image: the
// host's write queue for it stands still. After an answer's time that slot
// ends as a time-out and its queue is dropped; the other two finish.
TEST_F(Units, PacedStreamWhoseLineStopsDrainingEndsAlone) {
  auto configs = ThreeUnits(kLinkBaud);
  configs[1].DeafAfterBytes = 64 * 1024;
  Connect(configs);
  constexpr uint32_t kKB = 256;
  UseChip(kKB, true);
  LoadData(UnitData(kKB, 7));
  for (int u = 0; u < 3; ++u) StartAutoProgram(*js, u);
  ASSERT_TRUE(RunUntilIdle({0, 1, 2}, 40s));
  const Texts all = view.LogTexts();
  EXPECT_NE(std::find(all.begin(), all.end(), "C2: Operation Time Out!"), all.end());
  EXPECT_EQ(LastSlotText(1), "Operation Failed!");
  EXPECT_EQ(view.gauges[1].color, GaugeColor::Red);
  EXPECT_TRUE(SlotReady(*js, 1));
  EXPECT_TRUE(Run([&] { return comms[1]->PendingWriteBytes() == 0; }, 5s));
  EXPECT_EQ(LastSlotText(0), "Operation Success!");
  EXPECT_EQ(LastSlotText(2), "Operation Success!");
  EXPECT_EQ(js->OkCount, 2);
  for (int u : {0, 2}) EXPECT_TRUE(ChipOf(u, kKB * 1024) == UnitData(kKB, 7)) << u;
}

}  // namespace
