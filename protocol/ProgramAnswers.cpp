// Answers of the chip operations that change or judge the chip: blank check,
// erase, program (by 4 KB pages or from the paced raw stream), verify and the
// address write. Auto runs erase, program and verify in a row on each slot.
#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/AnswerHandlers.h"
#include "protocol/CommandCodes.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/Senders.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"

namespace {

void FillSlotGauge(JobState& js, int slot) { FillGauge(js.GaugeSlots[slot]); }

void StartVerify(JobState& js, int slot) {
  NextOperationStep(js, kOpVerify, slot);
  LogSlotMessage(js, msg::Tr("Programming Success, do verification......"), slot);
  StartSlotOperation(js, static_cast<int32_t>(js.SlotSettings[slot].DataSizeKB / 3 + kAnswerTimeoutTicks), 0, slot);
  SendChipCommand(js, kCmdChip, kSubVerify, slot);
}

}  // namespace

void HandleBlankCheckAnswer(JobState& js, uint8_t status, int slot) {
  if (IsGoodStatus(status)) {
    LogSlotMessage(js, msg::Tr("Chip is Blank!"), slot);
    EndSlotOperation(js, false, slot);
  } else if (status == kStatusNotBlank) {
    // The check itself succeeded.
    LogSlotMessage(js, msg::Tr("Chip is Not Blank!"), slot);
    EndSlotOperation(js, false, slot);
  } else {
    FailWithCode(js, status, slot);
  }
}

void HandleEraseAnswer(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  FillSlotGauge(js, slot);
  if (!js.SlotAutoMode[slot]) {
    EndSlotOperation(js, false, slot);
    return;
  }
  LogSlotMessage(js, msg::Tr("Chip has been Erased, Do Programming......"), slot);
  const SealedSettings& sealed = js.SlotSettings[slot];
  StartSlotOperation(js, kAnswerTimeoutTicks, sealed.DataSizeKB, slot);
  if (sealed.LargeImage) {
    NextOperationStep(js, kOpProgram150, slot);
    SendCommandWithChipParams(js, kCmdProgramStream, slot);
  } else {
    NextOperationStep(js, kOpProgram149, slot);
    SendProgramPages(js, kCmdProgramPages, js.SlotKbIndex[slot], 0, slot);
  }
}

void HandleProgramPageAnswer(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  js.SlotKbIndex[slot] += 4;
  SetGaugeProgress(js.GaugeSlots[slot], int64_t{js.SlotKbIndex[slot]} + 1);
  if (js.SlotKbIndex[slot] < js.SlotBlockTotal[slot]) {
    SendProgramPages(js, kCmdProgramPages, js.SlotKbIndex[slot], 0, slot);
  } else if (js.SlotAutoMode[slot]) {
    StartVerify(js, slot);
  } else {
    EndSlotOperation(js, false, slot);
  }
}

void HandleProgramStreamStart(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  // The download pacing takes over: no time-out runs while the image goes
  // out, yet the slot takes no new command until the stream has ended.
  js.SlotKbIndex[slot] = 0;
  EnterProgramStream(js, slot);
  WatchStreamQueue(js, slot);
  RequestTicks(js);
  js.SlotTimeout[slot] = 0;
}

void StartVerifyAfterProgram(JobState& js, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  LeaveProgramStream(js, slot);
  if (js.SlotAutoMode[slot]) {
    StartVerify(js, slot);
  } else {
    EndSlotOperation(js, false, slot);
  }
}

void HandleVerifyAnswer(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  FillSlotGauge(js, slot);
  if (js.SlotAutoMode[slot]) {
    js.OkCount += 1;
    if (js.LogMemo) js.LogMemo->SetStatusPanel(2, msg::FmtV(msg::Tr("Burn OK, Total: %d"), js.OkCount));
    SendOffLineMonitor(js, kCmdChipVerified, slot);
  }
  EndSlotOperation(js, false, slot);
}

void HandleAddressWriteAnswer(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  LogSlotMessage(js, msg::Tr("Write Specific Address Success!"), slot);
  EndSlotOperation(js, false, slot);
}
