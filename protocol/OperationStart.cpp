#include "protocol/OperationStart.h"

#include <optional>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/CommandCodes.h"
#include "protocol/Firmware.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SealedSettings.h"
#include "protocol/Senders.h"
#include "protocol/SlotSerialNumbers.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotLife.h"
#include "protocol/SlotPhase.h"

namespace {


constexpr const char* kBufferFillingText =
    "The data buffer is being filled by a chip read, please wait until it ends!";

// `format` is a translated text with the chip's number.
void LogChip(JobState& js, const std::string& format, int slot) {
  AddInfoLine(js, msg::FmtV(format, slot + 1));
}

// Program from kilobyte 0: by pages, or a large image as a stream. Program
// opens the stream with the chip parameters, Auto with the 16-byte payload.
void StartWrite(JobState& js, bool autoRun, int slot) {
  const SealedSettings& sealed = js.SlotSettings[slot];
  const SlotOpCode op = sealed.LargeImage ? kOpProgram150 : kOpProgram149;
  BeginOperation(js, {.op = op, .gaugeByTicks = false, .autoRun = autoRun}, slot);
  StartSlotOperation(js, kAnswerTimeoutTicks, sealed.DataSizeKB, slot);
  if (!sealed.LargeImage) {
    SendProgramPages(js, kCmdProgramPages, 0, 0, slot);
  } else if (autoRun) {
    SendCommand16(js, kCmdProgramStream, slot);
  } else {
    SendCommandWithChipParams(js, kCmdProgramStream, slot);
  }
}

void StartAuto(JobState& js, bool autoErase, int slot) {
  const SealedSettings& sealed = js.SlotSettings[slot];
  if (IsEeprom(sealed.ChipFamily)) {
    BeginOperation(js, {.op = kOpProgram149, .gaugeByTicks = false, .autoRun = true}, slot);
    LogChip(js, msg::Tr("Chip %d : Auto-Programming,Start to write......"), slot);
    StartSlotOperation(js, kAnswerTimeoutTicks, sealed.DataSizeKB, slot);
    SendProgramPages(js, kCmdProgramPages, 0, 0, slot);
  } else if (autoErase) {
    LogChip(js, msg::Tr("Chip %d : Auto-Programming,Start to Erase......"), slot);
    BeginOperation(js, {.op = kOpErase, .gaugeByTicks = true, .autoRun = true}, slot);
    StartSlotOperation(js, EraseTimeoutTicks(js), 0, slot);
    SendChipCommand(js, kCmdChip, kSubErase, slot);
  } else {
    LogChip(js, msg::Tr("Chip %d : Auto-Programming,Start to write......"), slot);
    StartWrite(js, true, slot);
  }
}

// Blank check, erase and verify: the gauge runs against the time-out.
void StartTimedCheck(JobState& js, SlotOpCode op, const std::string& line, int32_t ticks, uint8_t sub,
                     int slot) {
  BeginOperation(js, {.op = op, .gaugeByTicks = true, .autoRun = false}, slot);
  LogChip(js, line, slot);
  StartSlotOperation(js, ticks, 0, slot);
  SendChipCommand(js, kCmdChip, sub, slot);
}

bool SendsFromBuffer(const JobState& js, int slot) {
  const SlotPhase phase = SlotPhaseOf(js, slot);
  if (phase == SlotPhase::Sending || phase == SlotPhase::Raw) return true;
  if (phase != SlotPhase::Busy) return false;
  switch (BufferUseOf(js.SlotOp[slot])) {
    case BufferUse::Sends:
      return true;
    case BufferUse::SendsInAuto:
      return js.SlotAutoMode[slot] != 0;
    case BufferUse::Fills:
    case BufferUse::None:
      return false;
  }
  return false;
}

}  // namespace

int32_t EraseTimeoutTicks(const JobState& js) {
  const int32_t ticks = int32_t{js.EraseTime} * 5;
  return ticks == 0 ? kAnswerTimeoutTicks : ticks;
}

void StartSlotCommand(JobState& js, SlotCommand command, bool autoErase, int slot,
                      std::optional<uint32_t> serialNumber) {
  if (slot < 0 || slot >= kSlotCount) return;
  js.SlotRxCount[slot] = 0;
  SealSlotSettings(js, slot);
  if (serialNumber) GiveSlotSerialNumber(js, *serialNumber, slot);
  if (command == SlotCommand::Verify) CheckAgainstProgrammedSerial(js, slot);
  switch (command) {
    case SlotCommand::Download:
      BeginOperation(js, {.op = kOpDownload, .gaugeByTicks = std::nullopt, .autoRun = std::nullopt}, slot);
      LogChip(js, msg::Tr("Programmer %d: Download Data......"), slot);
      StartSlotOperation(js, kAnswerTimeoutTicks, 0, slot);
      SendChipConfig(js, kCmdDownloadConfig, js.LargeImage ? 256 : 0, slot);
      break;
    case SlotCommand::Auto:
      StartAuto(js, autoErase, slot);
      break;
    case SlotCommand::BlankCheck:
      StartTimedCheck(js, kOpBlankCheck, msg::Tr("Chip %d : Do Blank Check......"),
                      static_cast<int32_t>(js.DataSizeKB / 5 + kAnswerTimeoutTicks), kSubBlankCheck, slot);
      break;
    case SlotCommand::Erase:
      StartTimedCheck(js, kOpErase, msg::Tr("Chip %d : Do Erase......"), EraseTimeoutTicks(js), kSubErase,
                      slot);
      break;
    case SlotCommand::Program:
      LogChip(js, msg::Tr("Chip %d : Do Programming......"), slot);
      StartWrite(js, false, slot);
      break;
    case SlotCommand::Verify:
      StartTimedCheck(js, kOpVerify, msg::Tr("Chip %d : Do Verification......"),
                      static_cast<int32_t>(js.DataSizeKB / 3 + kAnswerTimeoutTicks), kSubVerify, slot);
      break;
  }
}

int StartOnReadySlots(JobState& js, SlotCommand command, bool autoErase, bool onlineSerial) {
  if (command == SlotCommand::Download) js.LargeDownload = js.LargeImage ? 1 : 0;
  const uint32_t firstSerial = static_cast<uint32_t>(js.SNValue);
  uint32_t started = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (!SlotReady(js, slot)) continue;
    std::optional<uint32_t> serial;
    if (onlineSerial) serial = SerialNumberAfter(firstSerial, js.SNGain, started);
    StartSlotCommand(js, command, autoErase, slot, serial);
    ++started;
  }
  if (started == 0 && command != SlotCommand::Download)
    AddInfoLine(js, msg::Tr("Please connect device!!"));
  if (onlineSerial && started > 0) {
    // Past every number handed out, whatever becomes of the chips: a failed
    // chip leaves a gap, never a number written into two chips.
    const uint32_t next = SerialNumberAfter(firstSerial, js.SNGain, started);
    js.SNValue = static_cast<int32_t>(next);
    if (js.LogMemo) js.LogMemo->ShowSerialNumber(next);
  }
  return static_cast<int>(started);
}

bool DataBufferSending(const JobState& js) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (SendsFromBuffer(js, slot)) return true;
  }
  return false;
}

bool DataBufferFilling(const JobState& js) {
  const SlotPhase phase = SlotPhaseOf(js, 0);
  if (phase == SlotPhase::Reading) return true;
  return phase == SlotPhase::Busy && BufferUseOf(js.SlotOp[0]) == BufferUse::Fills;
}

bool ImageAndChipMayChange(const JobState& js) { return !DataBufferSending(js) && !DataBufferFilling(js); }

std::string DataBufferSendRefusal(const JobState& js) {
  if (!DataBufferFilling(js)) return {};
  return msg::Tr(kBufferFillingText);
}

bool RefuseSaveWhileBufferFills(JobState& js) {
  if (!DataBufferFilling(js)) return false;
  if (js.LogMemo) js.LogMemo->ShowMessage(msg::Tr(kBufferFillingText));
  return true;
}

std::string ImageAndChipChangeRefusal(const JobState& js) {
  if (DataBufferFilling(js)) return msg::Tr(kBufferFillingText);
  if (DataBufferSending(js))
    return msg::Tr("The data buffer is being sent to the units, please wait until they finish!");
  return {};
}

bool RefuseImageOrChipChange(JobState& js) {
  const std::string text = ImageAndChipChangeRefusal(js);
  if (text.empty()) return false;
  if (js.LogMemo) js.LogMemo->ShowMessage(text);
  return true;
}

uint32_t KilobytesRoundedUp(uint32_t bytes) {
  return static_cast<uint32_t>((uint64_t{bytes} + 1023) / 1024);
}

uint32_t WholeChipReadKB(JobState& js) {
  js.ReadLength = js.ChipSizeCopy;
  return js.DataSizeKB == 0 ? 1 : js.ChipSizeCopy >> 10;
}

void StartChipRead(JobState& js, uint32_t totalKB) {
  constexpr int slot = 0;
  SealSlotSettings(js, slot);
  const bool byBlocks = IsEeprom(js.ChipFamily) || IsPagedFlash(js.ChipFamily) || !js.LargeImage;
  const SlotOpCode op = byBlocks ? kOpReadChip155 : kOpReadChip154;
  BeginOperation(js, {.op = op, .gaugeByTicks = false, .autoRun = std::nullopt}, slot);
  StartSlotOperation(js, kAnswerTimeoutTicks, totalKB, slot);
  AddInfoLine(js, msg::Tr("Chip 1: Read Chip......"));
  js.SlotRxCount[slot] = 0;
  if (byBlocks) {
    SendChipCommand(js, kCmdReadBlock, 0, slot);
  } else {
    // The unit streams what the read asks for, not the size of the data
    // loaded before it.
    js.SlotSettings[slot].DataSizeKB = totalKB;
    SendCommandWithChipParams(js, kCmdReadStream, slot);
  }
}

void StartReadId(JobState& js, bool did) {
  constexpr int slot = 0;
  SealSlotSettings(js, slot);
  BeginOperation(js, {.op = kOpReadId, .gaugeByTicks = !did, .autoRun = std::nullopt}, slot);
  StartSlotOperation(js, kAnswerTimeoutTicks, 0, slot);
  if (!did) js.SlotRxCount[slot] = 0;
  AddInfoLine(js, msg::Tr(did ? "Chip 1: Read Chip DID Data......" : "Chip 1: Read Chip Information......"));
  SendChipCommand(js, kCmdChip, kSubReadId, slot);
}

void StartReadDownloaded(JobState& js) {
  constexpr int slot = 0;
  SealSlotSettings(js, slot);
  AddInfoLine(js, msg::Tr("Chip: Read Downloaded Data......"));
  BeginOperation(js, {.op = kOpReadDownloaded, .gaugeByTicks = false, .autoRun = std::nullopt}, slot);
  StartSlotOperation(js, kAnswerTimeoutTicks, js.DataSizeKB, slot);
  SendCommand2(js, kCmdReadDownloaded, 0, slot);
}

bool StartAddressWrite(JobState& js) {
  constexpr int slot = 0;
  SealSlotSettings(js, slot);
  js.SlotRxCount[slot] = 0;
  BeginOperation(js, {.op = kOpAddressWrite, .gaugeByTicks = true, .autoRun = false}, slot);
  AddInfoLine(js, msg::Tr("Chip 1 : Wrtie data to Specific Address......"));
  StartSlotOperation(js, kAnswerTimeoutTicks, 0, slot);
  if (SendAddressWrite(js, slot)) return true;
  // Nothing went out: no answer will come to end the operation.
  EndSlotOperation(js, true, slot);
  return false;
}

void SendOffLineMonitorToAll(JobState& js) {
  AddRawLine(js, "");
  AddInfoLine(js, msg::Tr("Enter Off-Line Monitor Mode!"));
  for (int slot = 0; slot < kSlotCount; ++slot) {
    // Inside a stream or a download round the frame's bytes would become
    // part of the chip's or the unit's image; any other running unit would
    // leave its chip half done.
    if (SlotRunning(js, slot)) {
      LogSlotMessage(js, msg::Tr("Off-line monitor skipped: the unit is busy!"), slot);
      continue;
    }
    SendOffLineMonitor(js, kCmdOffLineMonitor, slot);
  }
}

int UpgradeReadySlots(JobState& js) {
  int started = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (SlotReady(js, slot)) {
      js.SlotRxCount[slot] = 0;
      StartFirmwareUpgrade(js, slot);
      ++started;
    } else if (js.SlotConnected[slot]) {
      // Its operation would be replaced and blocks sent to a unit that is
      // burning a chip.
      LogSlotMessage(js, msg::Tr("Firmware upgrade skipped: the unit is busy!"), slot);
    } else if (slot < js.DeviceCount) {
      LogSlotMessage(js, msg::Tr("Firmware upgrade skipped: no unit connected!"), slot);
    }
  }
  return started;
}
