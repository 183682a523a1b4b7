// The operation commands through the main window's handlers, with a
// recording port on every slot: which slots start, what each is armed with,
// the log lines, the boxes and the first command each unit gets.
#include <QCheckBox>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <array>
#include <fstream>
#include <initializer_list>

#include "FirmwareImageWriter.h"
#include "catalogue/ChipCatalogue.h"
#include "messages/Format.h"
#include "protocol/ChipParamBlock.h"
#include "protocol/Frames.h"
#include "protocol/SlotOperations.h"
#include "support/RecordingPort.h"
#include "ui/Gauge.h"
#include "ui/RdSetForm.h"
#include "ui/SetAdrForm.h"
#include "ui/UiTestSupport.h"
#include "support/ModalDialog.h"

namespace {

using Handler = void (TQZProgrammer::*)();
using Strings = std::vector<std::string>;

const std::string kAutoRule = std::string(">").append(63, '-');
const char* const kBufferSending =
    "The data buffer is being sent to the units, please wait until they finish!";
const char* const kBufferFilling =
    "The data buffer is being filled by a chip read, please wait until it ends!";

struct Packet {
  std::vector<uint8_t> bytes;
  uint8_t Command() const { return bytes[0]; }
  uint16_t Argument() const { return static_cast<uint16_t>(bytes[1] | bytes[2] << 8); }
  uint16_t PayloadLength() const { return static_cast<uint16_t>(bytes[6] | bytes[7] << 8); }
};

class Commands : public ScratchFolderTest {
 protected:
  // The shown window with recording ports, units in `connected`, a chosen
  // flash chip of 64 KB and its data loaded.
  TQZProgrammer& Ready(std::initializer_list<int> connected) {
    TQZProgrammer& w = ShownWindow();
    JobState& js = Js();
    for (int s = 0; s < kSlotCount; ++s) {
      js.CommSlots[s] = &ports[s];
      ports[s].sent.clear();
      js.SlotConnected[s] = 0;
      js.SlotBusy[s] = 0;
      js.SlotOp[s] = kOpIdle;
      js.SlotDownloading[s] = 0;
    }
    js.ReadStreaming = 0;
    js.LargeImage = 0;
    for (int s : connected) js.SlotConnected[s] = 1;
    js.DeviceCount = static_cast<uint8_t>(connected.size());
    Chip(0x10, 64);
    js.DataLoaded = 1;
    boxes.clear();
    logMark = w.LogLines().size();
    return w;
  }
  void Chip(uint8_t family, uint32_t sizeKB) {
    Js().ChipSelected = 1;
    Js().ChipFamily = family;
    Js().ChipSize = Js().ChipSizeCopy = sizeKB * 1024;
    Js().DataSizeKB = sizeKB;
    Js().DataStart = 0;
    Js().DataEnd = sizeKB == 0 ? 0 : sizeKB * 1024 - 1;
  }
  // Log texts written since Ready.
  Strings RawNewLog() {
    Strings all = LogTexts();
    return Strings(all.begin() + static_cast<long>(logMark), all.end());
  }
  // The same without the lines of the settings collection.
  Strings NewLog() {
    Strings out;
    for (const std::string& line : RawNewLog()) {
      if (line.empty() || line.rfind("> Control Setting(Hex)", 0) == 0 ||
          line.rfind("Protected Setting:", 0) == 0)
        continue;
      out.push_back(line);
    }
    return out;
  }
  // The packets handed to the slot's port, decoded.
  std::vector<Packet> Sent(int slot) {
    std::vector<Packet> out;
    for (std::vector<uint8_t> frame : ports[slot].sent) {
      std::vector<uint8_t> packet(2 * kTxPacketSize);
      size_t length = 0, frameLength = frame.size();
      if (DecodeFrame(frame.data(), packet.data(), packet.size(), length, frameLength) != kFrameOk) continue;
      packet.resize(length);
      out.push_back({packet});
    }
    return out;
  }
  void Busy(int slot, SlotOpCode op) {
    Js().SlotBusy[slot] = 1;
    Js().SlotOp[slot] = op;
  }
  std::array<RecordingPort, kSlotCount> ports;
  size_t logMark = 0;
};

// --- Edge cases of the commands ------------------------------------------------

struct EdgeCase {
  const char* name;
  Handler handler;
  std::vector<int> connected;
  std::vector<int> busy;  // running a program
  bool chip;
  bool data;
  uint32_t sizeKB;
  uint16_t eraseTime;
  Strings boxes;
  Strings log;
  std::vector<int> started;
  int32_t ticks;  // time-out of every started slot
  int gaugeMax;
};

const EdgeCase kEdgeCases[] = {
    {"no unit: Auto", &TQZProgrammer::SpdBtnAutoPClick, {}, {}, true, true, 64, 0, {},
     {kAutoRule, "Please connect device!!"}, {}, 0, 0},
    {"no unit: Blank check", &TQZProgrammer::BlankCheck1Click, {}, {}, true, true, 64, 0, {},
     {"Please connect device!!"}, {}, 0, 0},
    {"no unit: Erase", &TQZProgrammer::SpdBtnEraseClick, {}, {}, true, true, 64, 0, {},
     {"Please connect device!!"}, {}, 0, 0},
    {"no unit: Program", &TQZProgrammer::SpdBtnProgClick, {}, {}, true, true, 64, 0, {},
     {"Please connect device!!"}, {}, 0, 0},
    {"no unit: Verify", &TQZProgrammer::SpdBtnVerifyClick, {}, {}, true, true, 64, 0, {},
     {"Please connect device!!"}, {}, 0, 0},
    {"no unit: Download says nothing", &TQZProgrammer::SpdBtnDownLoadClick, {}, {}, true, true, 64,
     0, {}, {}, {}, 0, 0},
    {"slots 1-3, slot 2 busy: Program starts 1 and 3", &TQZProgrammer::SpdBtnProgClick, {0, 1, 2},
     {1}, true, true, 64, 0, {}, {"Chip 1 : Do Programming......", "Chip 3 : Do Programming......"},
     {0, 2}, 500, 64},
    {"Blank check needs no data", &TQZProgrammer::BlankCheck1Click, {0}, {}, true, false, 64, 0, {},
     {"Chip 1 : Do Blank Check......"}, {0}, 512, 512},
    {"Erase needs no data", &TQZProgrammer::SpdBtnEraseClick, {0}, {}, true, false, 64, 200, {},
     {"Chip 1 : Do Erase......"}, {0}, 1000, 1000},
    {"Program refuses without data", &TQZProgrammer::SpdBtnProgClick, {0}, {}, true, false, 64, 0,
     {"Please Load Data File!"}, {}, {}, 0, 0},
    {"Verify refuses without data", &TQZProgrammer::SpdBtnVerifyClick, {0}, {}, true, false, 64, 0,
     {"Please Load Data File!"}, {}, {}, 0, 0},
    {"Auto refuses without data", &TQZProgrammer::SpdBtnAutoPClick, {0}, {}, true, false, 64, 0,
     {"Please Load Data File!"}, {}, {}, 0, 0},
    {"Download refuses without data", &TQZProgrammer::SpdBtnDownLoadClick, {0}, {}, true, false, 64,
     0, {"Please Load Data File!"}, {}, {}, 0, 0},
    {"no chip: Blank check", &TQZProgrammer::BlankCheck1Click, {0}, {}, false, true, 64, 0,
     {"Please select Chip Type!"}, {}, {}, 0, 0},
    {"no chip: Download", &TQZProgrammer::SpdBtnDownLoadClick, {0}, {}, false, false, 64, 0,
     {"Please select Chip Type!"}, {}, {}, 0, 0},
    {"chip under 1 KB: Program's gauge runs against the time-out", &TQZProgrammer::SpdBtnProgClick,
     {0}, {}, true, true, 0, 0, {}, {"Chip 1 : Do Programming......"}, {0}, 500, 500},
    {"16 MB: Blank check", &TQZProgrammer::BlankCheck1Click, {0}, {}, true, true, 16384, 0, {},
     {"Chip 1 : Do Blank Check......"}, {0}, 3776, 3776},
    {"16 MB: Verify", &TQZProgrammer::SpdBtnVerifyClick, {0}, {}, true, true, 16384, 0, {},
     {"Chip 1 : Do Verification......"}, {0}, 5961, 5961},
    {"erase time 1000", &TQZProgrammer::SpdBtnEraseClick, {0}, {}, true, true, 64, 1000, {},
     {"Chip 1 : Do Erase......"}, {0}, 5000, 5000},
    {"no erase time: the default time-out", &TQZProgrammer::SpdBtnEraseClick, {0}, {}, true, true,
     64, 0, {}, {"Chip 1 : Do Erase......"}, {0}, 500, 500},
    {"no erase time: Auto's erase too", &TQZProgrammer::SpdBtnAutoPClick, {7}, {}, true, true, 64, 0,
     {}, {kAutoRule, "Chip 8 : Auto-Programming,Start to Erase......"}, {7}, 500, 500},
};

TEST_F(Commands, EdgeCases) {
  for (const EdgeCase& c : kEdgeCases) {
    SCOPED_TRACE(c.name);
    TQZProgrammer& w = Ready({});
    JobState& js = Js();
    for (int s : c.connected) js.SlotConnected[s] = 1;
    for (int s : c.busy) Busy(s, kOpVerify);
    js.ChipSelected = c.chip;
    js.DataLoaded = c.data;
    js.DataSizeKB = c.sizeKB;
    js.EraseTime = c.eraseTime;
    w.EnEraseChk->setChecked(true);

    (w.*c.handler)();

    EXPECT_EQ(boxes, c.boxes);
    EXPECT_EQ(NewLog(), c.log);
    for (int s = 0; s < kSlotCount; ++s) {
      SCOPED_TRACE("slot " + std::to_string(s + 1));
      const bool started = std::find(c.started.begin(), c.started.end(), s) != c.started.end();
      const bool wasBusy = std::find(c.busy.begin(), c.busy.end(), s) != c.busy.end();
      EXPECT_EQ(Sent(s).size(), started ? 1u : 0u);
      EXPECT_EQ(js.SlotBusy[s], started || wasBusy ? 1 : 0);
      if (!started) continue;
      EXPECT_EQ(js.SlotTimeout[s], c.ticks);
      EXPECT_EQ(w.Gauge(s).Max(), c.gaugeMax);
    }
    if (HasFailure()) break;
  }
}

// --- What each command arms and sends first ------------------------------------

struct CommandRow {
  const char* name;
  Handler handler;
  uint8_t family;
  bool large;
  bool erase;  // the "Erase" box
  SlotOpCode op;
  uint8_t command;
  uint16_t argument;
  uint16_t payload;
  std::string line;
  uint8_t autoMode;
  uint8_t gaugeTick;
  int32_t ticks;
  int gaugeMax;
};

constexpr uint16_t kParams = kChipParamBlockSize;
constexpr uint8_t kKept = 7;  // a flag the command leaves as it was

const CommandRow kRows[] = {
    {"Download", &TQZProgrammer::SpdBtnDownLoadClick, 0x10, false, false, kOpDownload, 83, 0, 260,
     "Programmer %d: Download Data......", kKept, kKept, 500, 500},
    {"Download of a large image", &TQZProgrammer::SpdBtnDownLoadClick, 0x10, true, false, kOpDownload,
     83, 256, 260, "Programmer %d: Download Data......", kKept, kKept, 500, 500},
    {"Auto, EEPROM", &TQZProgrammer::SpdBtnAutoPClick, 0xA0, false, true, kOpProgram149, 149, 0,
     kParams + 4096, "Chip %d : Auto-Programming,Start to write......", 1, 0, 500, 64},
    {"Auto, flash with erase", &TQZProgrammer::SpdBtnAutoPClick, 0x10, false, true, kOpErase, 147, 3,
     kParams, "Chip %d : Auto-Programming,Start to Erase......", 1, 1, 1500, 1500},
    {"Auto, flash without erase", &TQZProgrammer::SpdBtnAutoPClick, 0x10, false, false,
     kOpProgram149, 149, 0, kParams + 4096, "Chip %d : Auto-Programming,Start to write......", 1, 0,
     500, 64},
    {"Auto, large flash image", &TQZProgrammer::SpdBtnAutoPClick, 0x10, true, false, kOpProgram150,
     150, 0, 16, "Chip %d : Auto-Programming,Start to write......", 1, 0, 500, 64},
    {"Program", &TQZProgrammer::SpdBtnProgClick, 0x10, false, false, kOpProgram149, 149, 0,
     kParams + 4096, "Chip %d : Do Programming......", 0, 0, 500, 64},
    {"Program of a large image", &TQZProgrammer::SpdBtnProgClick, 0x10, true, false, kOpProgram150,
     150, 0, 64, "Chip %d : Do Programming......", 0, 0, 500, 64},
    {"Blank check", &TQZProgrammer::BlankCheck1Click, 0x10, false, false, kOpBlankCheck, 147, 0x35,
     kParams, "Chip %d : Do Blank Check......", 0, 1, 512, 512},
    {"Erase", &TQZProgrammer::SpdBtnEraseClick, 0x10, false, false, kOpErase, 147, 3, kParams,
     "Chip %d : Do Erase......", 0, 1, 1500, 1500},
    {"Verify", &TQZProgrammer::SpdBtnVerifyClick, 0x10, false, false, kOpVerify, 147, 0x33, kParams,
     "Chip %d : Do Verification......", 0, 1, 521, 521},
};

TEST_F(Commands, EachCommandArmsItsSlotsAndSendsItsFirstCommand) {
  for (const CommandRow& r : kRows) {
    SCOPED_TRACE(r.name);
    TQZProgrammer& w = Ready({2, 5});
    JobState& js = Js();
    Chip(r.family, 64);
    js.LargeImage = r.large;
    js.EraseTime = 300;
    js.LargeDownload = 7;
    for (int s = 0; s < kSlotCount; ++s) {
      ports[s].sent.clear();
      // Each flag the command sets starts at its other value.
      js.SlotAutoMode[s] = r.autoMode == kKept ? kKept : 1 - r.autoMode;
      js.SlotGaugeTick[s] = r.gaugeTick == kKept ? kKept : 1 - r.gaugeTick;
      js.SlotDownloading[s] = 0;
      js.SlotRxCount[s] = 99;
    }
    w.EnEraseChk->setChecked(r.erase);

    (w.*r.handler)();

    Strings expected;
    if (r.handler == &TQZProgrammer::SpdBtnAutoPClick) expected.push_back(kAutoRule);
    for (int s : {2, 5}) expected.push_back(msg::FmtV(r.line, s + 1));
    EXPECT_EQ(NewLog(), expected);
    EXPECT_TRUE(boxes.empty());
    for (int s : {2, 5}) {
      SCOPED_TRACE("slot " + std::to_string(s + 1));
      std::vector<Packet> sent = Sent(s);
      ASSERT_EQ(sent.size(), 1u);
      EXPECT_EQ(sent[0].Command(), r.command);
      EXPECT_EQ(sent[0].Argument(), r.argument);
      EXPECT_EQ(sent[0].PayloadLength(), r.payload);
      EXPECT_EQ(js.SlotOp[s], r.op);
      EXPECT_EQ(js.SlotBusy[s], 1);
      EXPECT_EQ(js.SlotKbIndex[s], 0u);
      EXPECT_EQ(js.SlotRxCount[s], 0);
      EXPECT_EQ(js.SlotAutoMode[s], r.autoMode);
      EXPECT_EQ(js.SlotGaugeTick[s], r.gaugeTick);
      EXPECT_EQ(js.SlotTimeout[s], r.ticks);
      EXPECT_EQ(w.Gauge(s).Max(), r.gaugeMax);
      EXPECT_EQ(w.Gauge(s).Progress(), r.gaugeMax / 100 + 1);
    }
    for (int s : {0, 1, 3, 4, 6, 7}) EXPECT_TRUE(ports[s].sent.empty());
    if (r.handler == &TQZProgrammer::SpdBtnDownLoadClick) {
      EXPECT_EQ(js.LargeDownload, r.large ? 1 : 0);
    }
    if (HasFailure()) break;
  }
}

// A second command while the first still runs starts on the idle slots only.
TEST_F(Commands, SecondCommandStartsOnTheIdleSlotsOnly) {
  TQZProgrammer& w = Ready({0, 1, 2, 3});
  Chip(0xA0, 8);
  w.SpdBtnProgClick();
  Js().SlotBusy[1] = Js().SlotBusy[3] = 0;  // these two have finished
  Js().SlotOp[1] = Js().SlotOp[3] = kOpIdle;
  for (auto& port : ports) port.sent.clear();
  logMark = w.LogLines().size();
  w.SpdBtnVerifyClick();
  EXPECT_EQ(NewLog(), (Strings{"Chip 2 : Do Verification......", "Chip 4 : Do Verification......"}));
  EXPECT_TRUE(Sent(0).empty());
  EXPECT_TRUE(Sent(2).empty());
  EXPECT_EQ(Js().SlotOp[0], kOpProgram149);
  EXPECT_EQ(Js().SlotOp[1], kOpVerify);
}

// The 10 ms timer sleeps while nothing runs: a command starts it, and the
// first tick after the last slot has ended stops it again.
TEST_F(Commands, TickTimerRunsOnlyWhileASlotRuns) {
  TQZProgrammer& w = Ready({0, 2});
  EXPECT_FALSE(w.Timer1->isActive());
  w.BlankCheck1Click();
  EXPECT_TRUE(w.Timer1->isActive());
  EndSlotOperation(Js(), false, 0);
  w.Timer1Timer();
  EXPECT_TRUE(w.Timer1->isActive());  // unit 3 still checks
  EndSlotOperation(Js(), false, 2);
  w.Timer1Timer();
  EXPECT_FALSE(w.Timer1->isActive());
}

// A number field that holds no integer stops every command before any slot.
TEST_F(Commands, SettingThatIsNoIntegerStopsTheCommandBeforeAnySlot) {
  const Handler handlers[] = {
      &TQZProgrammer::SpdBtnDownLoadClick,       &TQZProgrammer::SpdBtnAutoPClick,
      &TQZProgrammer::BlankCheck1Click,          &TQZProgrammer::SpdBtnEraseClick,
      &TQZProgrammer::SpdBtnProgClick,           &TQZProgrammer::SpdBtnVerifyClick,
      &TQZProgrammer::SpeedButtonRDClick,        &TQZProgrammer::ReadChipIDandStatus1Click,
      &TQZProgrammer::BtnRdDIDClick,
  };
  for (Handler handler : handlers) {
    TQZProgrammer& w = Ready({0, 1});
    Chip(0x21, 64);  // no read-length dialog
    w.GainEdit->setText("zz");
    (w.*handler)();
    EXPECT_EQ(boxes, Strings{"'zz' is not a valid integer value"});
    EXPECT_TRUE(NewLog().empty());
    for (int s : {0, 1}) {
      EXPECT_TRUE(ports[s].sent.empty());
      EXPECT_EQ(Js().SlotBusy[s], 0);
      EXPECT_EQ(Js().SlotOp[s], kOpIdle);
    }
    w.GainEdit->setText("0x01");
  }
}

// The online serial number is in the image before the first page leaves.
TEST_F(Commands, ProgramSendsTheImageWithTheOnlineSerialNumber) {
  TQZProgrammer& w = Ready({0});
  Chip(0xA0, 4);
  w.CheckBoxSN->setChecked(true);
  w.SNEdit->setText("0x12345678");
  w.AddrEdit->setText("0x00000010");
  w.ChkBoxPCSN->setChecked(true);
  w.SpdBtnProgClick();
  std::vector<Packet> sent = Sent(0);
  ASSERT_EQ(sent.size(), 1u);
  const size_t data = kPacketHeaderSize + kChipParamBlockSize;
  ASSERT_GE(sent[0].bytes.size(), data + 0x14);
  EXPECT_EQ(std::vector<uint8_t>(sent[0].bytes.begin() + data + 0x10, sent[0].bytes.begin() + data + 0x14),
            (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
  w.ChkBoxPCSN->setChecked(false);
  w.CheckBoxSN->setChecked(false);
}

// --- The online serial number must reach the chip ---------------------------------

struct OnlineSNCase {
  const char* name;
  const char* chip;
  size_t fileBytes;  // none of them 0xFF
  const char* address;
  bool userChipSize;  // checked after the load
  Strings boxes;      // none: the command goes ahead
};

const char* const kOutsideTrimmed =
    "The S/N address 0x0000FFF0 lies outside the data range being programmed (0x00000000 - "
    "0x00000FFF)! Please choose another S/N address, or check \"User Chip Size\" to program the "
    "whole chip.";

const OnlineSNCase kOnlineSNCases[] = {
    {"1,000 bytes for W25x40xx, the default address", "W25x40xx", 1000, "0x0000FFF0", false,
     {kOutsideTrimmed}},
    {"24xx64, the four bytes cross the chip's end", "24xx64", 8192, "8190", false,
     {"The S/N address 0x00001FFE lies outside the data range being programmed (0x00000000 - "
      "0x00001FFF): its 4 bytes would not all reach the chip! Please choose another S/N address."}},
    {"W25x40xx with User Chip Size, past the chip's end", "W25x40xx", 1000, "0x0007FFFE", true,
     {"The S/N address 0x0007FFFE lies outside the data range being programmed (0x00000000 - "
      "0x0007FFFF): its 4 bytes would not all reach the chip! Please choose another S/N address."}},
    {"inside the trimmed range", "W25x40xx", 1000, "0x00000FFC", false, {}},
    {"24xx64, the last four bytes", "24xx64", 8192, "8188", false, {}},
    {"User Chip Size widens the range to the whole chip", "W25x40xx", 1000, "0x0000FFF0", true, {}},
};

TEST_F(Commands, OnlineSerialNumberOutsideTheSentRangeIsRefusedBeforeAnything) {
  for (auto handler : {&TQZProgrammer::SpdBtnProgClick, &TQZProgrammer::SpdBtnAutoPClick}) {
    for (const OnlineSNCase& c : kOnlineSNCases) {
      SCOPED_TRACE(c.name);
      TQZProgrammer& w = Ready({0});
      JobState& js = Js();
      const ChipEntry* entry = FindChipEntry(c.chip);
      ASSERT_NE(entry, nullptr);
      ApplyChipEntry(js, *entry);
      w.ShowChipName(c.chip);
      js.ChipSizeCopy = js.ChipSize;
      w.ChkBoxCPES->setChecked(false);
      const std::string file = (dir_ / "image.bin").string();
      std::ofstream(file, std::ios::binary | std::ios::trunc) << std::string(c.fileBytes, '\x5A');
      w.FileDialogHook = [&](const TFileDialogSpec&, bool) { return file; };
      w.FileOpenBtnClick();
      ASSERT_EQ(js.DataLoaded, 1);
      w.ChkBoxCPES->setChecked(c.userChipSize);
      w.EnEraseChk->setChecked(false);
      w.CheckBoxSN->setChecked(true);
      w.ChkBoxPCSN->setChecked(true);
      w.SNEdit->setText("0x12345678");
      w.AddrEdit->setText(c.address);
      const uint32_t at = static_cast<uint32_t>(std::stoul(c.address, nullptr, 0));
      const std::vector<uint8_t> before(js.DataBuffer.get() + at, js.DataBuffer.get() + at + 4);
      boxes.clear();
      ports[0].sent.clear();

      (w.*handler)();

      EXPECT_EQ(boxes, c.boxes);
      const std::vector<uint8_t> now(js.DataBuffer.get() + at, js.DataBuffer.get() + at + 4);
      if (c.boxes.empty()) {
        EXPECT_EQ(now, (std::vector<uint8_t>{0x78, 0x56, 0x34, 0x12}));
        const std::vector<Packet> sent = Sent(0);
        ASSERT_EQ(sent.size(), 1u);
        // The packets carry the range that holds the number.
        EXPECT_GE(uint64_t{js.DataSizeKB} * 1024, at + 4);
        EXPECT_GE(js.ChipSize, at + 4);
        const std::vector<uint8_t>& p = sent[0].bytes;
        EXPECT_EQ(p[8 + 16] | p[8 + 17] << 8 | p[8 + 18] << 16 | uint32_t{p[8 + 19]} << 24, js.ChipSize);
      } else {
        EXPECT_EQ(now, before);
        EXPECT_TRUE(ports[0].sent.empty());
        EXPECT_EQ(js.SlotBusy[0], 0);
      }
      js.SlotBusy[0] = 0;
      js.SlotOp[0] = kOpIdle;
      if (HasFailure()) return;
    }
  }
}

// "User Chip Size" takes effect on the loaded range at once: the whole chip
// while it is checked, the trimmed range again when it is not.
TEST_F(Commands, UserChipSizeGivesTheLoadedRangeAnew) {
  TQZProgrammer& w = Ready({});
  JobState& js = Js();
  ApplyChipEntry(js, *FindChipEntry("W25x40xx"));
  w.ShowChipName("W25x40xx");
  js.ChipSizeCopy = js.ChipSize;
  w.ChkBoxCPES->setChecked(false);
  const std::string file = (dir_ / "image.bin").string();
  std::ofstream(file, std::ios::binary) << std::string(1000, '\x5A');
  w.FileDialogHook = [&](const TFileDialogSpec&, bool) { return file; };
  w.FileOpenBtnClick();
  auto range = [&] { return std::vector<uint32_t>{js.DataEnd, js.ChipSize, js.DataSizeKB}; };
  EXPECT_EQ(range(), (std::vector<uint32_t>{0xFFF, 0x1000, 4}));
  w.ChkBoxCPES->setChecked(true);
  EXPECT_EQ(range(), (std::vector<uint32_t>{0x7FFFF, 0x80000, 512}));
  w.FileOpenBtnClick();  // a load with the box checked keeps the whole chip
  EXPECT_EQ(range(), (std::vector<uint32_t>{0x7FFFF, 0x80000, 512}));
  w.ChkBoxCPES->setChecked(false);
  EXPECT_EQ(range(), (std::vector<uint32_t>{0xFFF, 0x1000, 4}));
  EXPECT_TRUE(boxes.empty());
}

// --- Slot 1 commands -------------------------------------------------------------

TEST_F(Commands, ReadOfASmallFamilyAsksForTheLengthAndReadsByBlocks) {
  TQZProgrammer& w = Ready({0});
  Js().DataLoaded = 0;
  Js().ChipSizeCopy = 0x10001;  // a started kilobyte counts whole
  WithDialog<TRdSetForm>(w.RdSetForm(), [](TRdSetForm& d) { d.BitBtn1->click(); },
                         [&] { w.SpeedButtonRDClick(); });
  EXPECT_EQ(Js().ReadLength, 0x10001u);
  std::vector<Packet> sent = Sent(0);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Command(), 155);
  EXPECT_EQ(sent[0].Argument(), 0);
  EXPECT_EQ(Js().SlotOp[0], kOpReadChip155);
  EXPECT_EQ(Js().SlotBlockTotal[0], 65u);
  EXPECT_EQ(w.Gauge(0).Max(), 65);
  EXPECT_EQ(Js().SlotGaugeTick[0], 0);
  EXPECT_EQ(NewLog(), Strings{"Chip 1: Read Chip......"});
}

TEST_F(Commands, ReadGoesAheadWhenTheLengthDialogIsClosedOtherwise) {
  TQZProgrammer& w = Ready({0});
  Js().ReadLength = 3000;
  WithDialog<TRdSetForm>(w.RdSetForm(), [](TRdSetForm& d) { d.reject(); },
                         [&] { w.SpeedButtonRDClick(); });
  EXPECT_EQ(Js().ReadLength, 3000u);
  EXPECT_EQ(Js().SlotBlockTotal[0], 3u);
  EXPECT_EQ(Sent(0).size(), 1u);
}

TEST_F(Commands, ReadOfTheLargerFamiliesTakesTheWholeChip) {
  struct Case {
    uint8_t family;
    uint32_t chipBytes;
    bool large;
    uint8_t command;
    SlotOpCode op;
    uint32_t totalKB;
  } cases[] = {
      {0xA0, 0x8000, false, 155, kOpReadChip155, 32},
      {0xA0, 512, false, 155, kOpReadChip155, 1},  // under 1 KB
      {0x20, 0x1000000, true, 155, kOpReadChip155, 16384},
      {0x21, 0x1000000, true, 154, kOpReadChip154, 16384},
      {0x21, 0x10000, false, 155, kOpReadChip155, 64},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.family);
    TQZProgrammer& w = Ready({0});
    ports[0].sent.clear();
    Js().ChipFamily = c.family;
    Js().ChipSizeCopy = Js().ChipSize = c.chipBytes;
    Js().DataSizeKB = c.chipBytes / 1024;
    Js().LargeImage = c.large;
    w.SpeedButtonRDClick();
    EXPECT_EQ(Js().ReadLength, c.chipBytes);
    std::vector<Packet> sent = Sent(0);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Command(), c.command);
    EXPECT_EQ(Js().SlotOp[0], c.op);
    EXPECT_EQ(Js().SlotBlockTotal[0], c.totalKB);
    Js().SlotBusy[0] = 0;
    Js().SlotOp[0] = kOpIdle;
  }
}

TEST_F(Commands, SlotOneCommandsRefuseWhenSlotOneIsNotReady) {
  const Handler handlers[] = {&TQZProgrammer::SpeedButtonRDClick,
                              &TQZProgrammer::ReadChipIDandStatus1Click, &TQZProgrammer::BtnRdDIDClick,
                              &TQZProgrammer::ReadIntMemClick};
  const std::function<void(JobState&)> states[] = {
      [](JobState& js) { js.SlotConnected[0] = 0; },
      [](JobState& js) { js.SlotBusy[0] = 1; },
      [](JobState& js) { js.SlotDownloading[0] = 1; },  // the paced stream of a program
  };
  for (Handler handler : handlers) {
    for (const auto& state : states) {
      TQZProgrammer& w = Ready({0, 1});
      Chip(0xA0, 4);
      Js().SlotBusy[0] = Js().SlotDownloading[0] = 0;
      state(Js());
      (w.*handler)();
      EXPECT_EQ(boxes, Strings{"Please connect device!"});
      EXPECT_TRUE(NewLog().empty());
      EXPECT_TRUE(ports[0].sent.empty());
      EXPECT_TRUE(ports[1].sent.empty());
    }
  }
}

TEST_F(Commands, ReadIdAndDidAndTheStoredImage) {
  struct Case {
    Handler handler;
    std::string line;
    uint8_t command;
    uint16_t argument;
    SlotOpCode op;
    uint8_t gaugeTick;
    uint16_t rxCount;
    int gaugeMax;
  } cases[] = {
      {&TQZProgrammer::ReadChipIDandStatus1Click, "Chip 1: Read Chip Information......", 147, 0x60,
       kOpReadId, 1, 0, 500},
      {&TQZProgrammer::BtnRdDIDClick, "Chip 1: Read Chip DID Data......", 147, 0x60, kOpReadId, 0, 9,
       500},
      {&TQZProgrammer::ReadIntMemClick, "Chip: Read Downloaded Data......", 57, 0, kOpReadDownloaded,
       0, 9, 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    TQZProgrammer& w = Ready({0});
    ports[0].sent.clear();
    Js().SlotRxCount[0] = 9;
    Js().SlotGaugeTick[0] = 1 - c.gaugeTick;
    (w.*c.handler)();
    EXPECT_EQ(NewLog(), Strings{c.line});
    std::vector<Packet> sent = Sent(0);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Command(), c.command);
    EXPECT_EQ(sent[0].Argument(), c.argument);
    EXPECT_EQ(Js().SlotOp[0], c.op);
    EXPECT_EQ(Js().SlotGaugeTick[0], c.gaugeTick);
    EXPECT_EQ(Js().SlotRxCount[0], c.rxCount);
    EXPECT_EQ(Js().SlotTimeout[0], 500);
    EXPECT_EQ(w.Gauge(0).Max(), c.gaugeMax);
    Js().SlotBusy[0] = 0;
    Js().SlotOp[0] = kOpIdle;
  }
}

TEST_F(Commands, AddressWriteSendsTheDialogsBytes) {
  TQZProgrammer& w = Ready({0});
  WithDialog<TSetAdrForm>(
      w.SetAdrForm(),
      [](TSetAdrForm& d) {
        d.EditAdr->setText("0x0010");
        d.EditData->setText("Hi");
        d.BitBtn1->click();
      },
      [&] { w.AddressWrite1Click(); });
  EXPECT_EQ(NewLog(), Strings{"Chip 1 : Wrtie data to Specific Address......"});
  std::vector<Packet> sent = Sent(0);
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].Command(), 147);
  EXPECT_EQ(sent[0].Argument(), 0xA9);
  const std::vector<uint8_t>& p = sent[0].bytes;
  ASSERT_GE(p.size(), 62u);
  EXPECT_EQ(p[56] | p[57] << 8, 0x10);
  EXPECT_EQ(p[58] | p[59] << 8, 2);
  EXPECT_EQ(p[60], 'H');
  EXPECT_EQ(p[61], 'i');
  EXPECT_EQ(Js().SlotOp[0], kOpAddressWrite);
  EXPECT_EQ(Js().SlotGaugeTick[0], 1);
  EXPECT_EQ(Js().SlotTimeout[0], 500);
}

TEST_F(Commands, AddressWriteWithoutDataOrWithoutSlotOneDoesNothing) {
  TQZProgrammer& w = Ready({0});
  WithDialog<TSetAdrForm>(
      w.SetAdrForm(),
      [](TSetAdrForm& d) {
        d.EditData->clear();
        d.BitBtn1->click();
      },
      [&] { w.AddressWrite1Click(); });
  EXPECT_TRUE(NewLog().empty());
  EXPECT_TRUE(ports[0].sent.empty());

  // Not connected, or busy: a log line in place of the dialog.
  for (auto state : {std::function<void(JobState&)>([](JobState& js) { js.SlotConnected[0] = 0; }),
                     std::function<void(JobState&)>([](JobState& js) { js.SlotBusy[0] = 1; })}) {
    TQZProgrammer& again = Ready({0});
    state(Js());
    again.AddressWrite1Click();  // no dialog comes up: the call returns
    EXPECT_EQ(NewLog(), Strings{"Please connect device!!"});
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(ports[0].sent.empty());
    Js().SlotConnected[0] = 1;
    Js().SlotBusy[0] = 0;
  }
}

// --- The shared data buffer ------------------------------------------------------

TEST_F(Commands, CommandsThatWriteTheBufferWaitWhileASlotSendsFromIt) {
  struct Running {
    const char* name;
    std::function<void(JobState&)> set;
  } running[] = {
      {"program by pages", [](JobState& js) { js.SlotBusy[3] = 1, js.SlotOp[3] = kOpProgram149; }},
      {"download", [](JobState& js) { js.SlotBusy[3] = 1, js.SlotOp[3] = kOpDownloadRaw; }},
      {"program stream", [](JobState& js) { js.SlotDownloading[3] = 1; }},
      {"erase before Auto's program",
       [](JobState& js) { js.SlotBusy[3] = 1, js.SlotOp[3] = kOpErase, js.SlotAutoMode[3] = 1; }},
  };
  for (const Running& r : running) {
    SCOPED_TRACE(r.name);
    TQZProgrammer& w = Ready({0, 1, 3});
    Chip(0xA0, 4);
    r.set(Js());
    const uint8_t before = Js().DataBuffer[0];
    w.SpeedButtonRDClick();
    w.ReadIntMemClick();
    w.ChkBoxPCSN->setChecked(true);
    w.SpdBtnAutoPClick();
    w.SpdBtnProgClick();
    EXPECT_EQ(boxes, Strings(4, kBufferSending));
    EXPECT_TRUE(NewLog().empty());
    for (const auto& port : ports) EXPECT_TRUE(port.sent.empty());
    EXPECT_EQ(Js().DataBuffer[0], before);
    w.ChkBoxPCSN->setChecked(false);
  }
}

TEST_F(Commands, WithoutOnlineSerialNumbersAutoStartsBesideARunningProgram) {
  TQZProgrammer& w = Ready({0, 1});
  Chip(0xA0, 4);
  Busy(0, kOpProgram149);
  w.SpdBtnAutoPClick();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(NewLog(), (Strings{kAutoRule, "Chip 2 : Auto-Programming,Start to write......"}));
}

TEST_F(Commands, CommandsThatSendTheBufferWaitWhileAReadFillsIt) {
  for (SlotOpCode op : {kOpReadChip155, kOpReadDownloaded}) {
    TQZProgrammer& w = Ready({0, 1, 2});
    Busy(0, op);
    w.SpdBtnDownLoadClick();
    w.SpdBtnAutoPClick();
    w.SpdBtnProgClick();
    EXPECT_EQ(boxes, Strings(3, kBufferFilling));
    EXPECT_TRUE(NewLog().empty());
    // Checks that leave the buffer alone still run on the other slots.
    w.SpdBtnVerifyClick();
    EXPECT_EQ(NewLog(), (Strings{"Chip 2 : Do Verification......", "Chip 3 : Do Verification......"}));
  }
  TQZProgrammer& w = Ready({1});
  Js().ReadStreaming = 1;  // the streamed read has no operation armed
  w.SpdBtnProgClick();
  EXPECT_EQ(boxes, Strings{kBufferFilling});
}

// --- Off-line monitor and firmware upgrade -----------------------------------------

// Every slot that runs nothing gets it, with or without a unit; a running
// unit is skipped and named.
TEST_F(Commands, OffLineMonitorGoesToEverySlotThatRunsNothing) {
  TQZProgrammer& w = Ready({1, 2, 3});
  Js().ChipSelected = 0;  // needs no chip
  Busy(1, kOpVerify);
  Js().SlotDownloading[3] = 1;  // a paced program stream
  w.DoOffLineMonitor1Click();
  EXPECT_EQ(RawNewLog(), (Strings{"", "Enter Off-Line Monitor Mode!",
                                  "C2: Off-line monitor skipped: the unit is busy!",
                                  "C4: Off-line monitor skipped: the unit is busy!"}));
  for (int s = 0; s < kSlotCount; ++s) {
    std::vector<Packet> sent = Sent(s);
    if (s == 1 || s == 3) {
      EXPECT_TRUE(ports[s].sent.empty()) << s;
      continue;
    }
    ASSERT_EQ(sent.size(), 1u) << s;
    EXPECT_EQ(sent[0].Command(), 138);
    EXPECT_EQ(std::string(sent[0].bytes.begin() + 1, sent[0].bytes.begin() + 5), "REST");
  }
  EXPECT_EQ(Js().SlotOp[1], kOpVerify);
  EXPECT_EQ(Js().SlotDownloading[3], 1);
  EXPECT_EQ(Js().SlotOp[0], kOpIdle);
  EXPECT_EQ(Js().SlotBusy[0], 0);
  EXPECT_TRUE(boxes.empty());
}

class FirmwareCommand : public Commands {
 protected:
  void WriteImage() {
    std::string error;
    const std::vector<uint8_t> image =
        BuildFirmwareImage(std::vector<uint8_t>(2 * 2048, 0x5A), "V2.10", 0x1234, error);
    ASSERT_FALSE(image.empty()) << error;
    std::ofstream("VOzOZEdud.ZQM", std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  }
};

TEST_F(FirmwareCommand, ImageButNoCountedUnit) {
  WriteImage();
  TQZProgrammer& w = Ready({});
  ASSERT_EQ(Js().FirmwareLoaded, 1);
  Js().ChipSelected = 0;  // needs no chip
  w.DoFirmwareUpgrade1Click();
  EXPECT_EQ(boxes, Strings{"No Device is Connected!"});
  for (const auto& port : ports) EXPECT_TRUE(port.sent.empty());
}

TEST_F(FirmwareCommand, NoImageFile) {
  TQZProgrammer& w = Ready({0});
  Js().FirmwareLoaded = 1;  // loaded at start-up, the file since removed
  w.DoFirmwareUpgrade1Click();
  EXPECT_EQ(boxes, Strings{"File \"VOzOZEdud.ZQM\" not found, please confirm!"});
  EXPECT_EQ(Js().FirmwareLoaded, 0);
  EXPECT_TRUE(ports[0].sent.empty());
}

TEST_F(FirmwareCommand, UpgradesTheIdleUnitsAndSkipsTheOthers) {
  WriteImage();
  TQZProgrammer& w = Ready({0, 1, 2});
  Js().DeviceCount = 4;  // the fourth unit has gone since it was counted
  Busy(1, kOpProgram149);
  w.DoFirmwareUpgrade1Click();
  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(NewLog(), (Strings{"C1: Start firmware upgrade......",
                               "C2: Firmware upgrade skipped: the unit is busy!",
                               "C3: Start firmware upgrade......",
                               "C4: Firmware upgrade skipped: no unit connected!"}));
  for (int s : {0, 2}) {
    std::vector<Packet> sent = Sent(s);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].Command(), 0xB7);
    EXPECT_EQ(Js().SlotOp[s], kOpFirmwareUpgrade);
  }
  EXPECT_EQ(Js().SlotOp[1], kOpProgram149);
  for (int s : {1, 3, 4, 5, 6, 7}) EXPECT_TRUE(ports[s].sent.empty());
}

// --- Gauges --------------------------------------------------------------------

// A gauge takes each change at once but is painted a moment later, once for
// a run of changes, so an answer's handling never waits for a paint.
TEST(GaugePainting, ChangesShowAtOnceAndArePaintedShortlyAfter) {
  TGaugeBar bar;
  bar.show();
  TGauge gauge(&bar);
  gauge.SetMax(200);
  for (int p = 1; p <= 100; ++p) gauge.SetProgress(p);
  EXPECT_EQ(bar.maximum(), 200);
  EXPECT_EQ(bar.value(), 100);
  EXPECT_FALSE(bar.updatesEnabled());
  QElapsedTimer clock;
  clock.start();
  while (!bar.updatesEnabled() && clock.elapsed() < 1000) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  EXPECT_TRUE(bar.updatesEnabled());
  EXPECT_EQ(bar.value(), 100);
}

// --- Keys ------------------------------------------------------------------------

TEST_F(Commands, KeysStartTheirCommands) {
  TQZProgrammer& w = Ready({0});
  Chip(0xA0, 4);
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  w.SpdBtnErase->hide();
  struct Case {
    QKeyCombination key;
    SlotOpCode op;        // kOpIdle: nothing starts
    uint8_t autoMode;  // 2: not set by the command
  } cases[] = {
      {Qt::Key_F5, kOpProgram149, 1},     {Qt::Key_F6, kOpErase, 0},
      {Qt::Key_F7, kOpProgram149, 0},     {Qt::Key_F8, kOpVerify, 0},
      {Qt::CTRL | Qt::Key_D, kOpDownload, 2}, {Qt::Key_Space, kOpProgram149, 1},
      {Qt::Key_Return, kOpProgram149, 1}, {Qt::Key_A, kOpIdle, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(QKeySequence(c.key).toString().toStdString());
    Js().SlotBusy[0] = 0;
    Js().SlotOp[0] = kOpIdle;
    Js().SlotAutoMode[0] = 1 - c.autoMode;
    QTest::keyClick(&w, c.key.key(), c.key.keyboardModifiers());
    EXPECT_EQ(Js().SlotOp[0], c.op);
    if (c.op != kOpIdle && c.autoMode != 2) {
      EXPECT_EQ(Js().SlotAutoMode[0], c.autoMode);
    }
  }
  // Space starts Auto only while its button is enabled.
  Js().SlotBusy[0] = 0;
  Js().SlotOp[0] = kOpIdle;
  w.SpdBtnAutoP->setEnabled(false);
  QTest::keyClick(&w, Qt::Key_Space);
  EXPECT_EQ(Js().SlotOp[0], kOpIdle);
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
