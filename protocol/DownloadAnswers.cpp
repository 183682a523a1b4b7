// Answers of a download into the unit's own memory: the configuration
// packet, then 4 KB pages (85) or, for large images, rounds of two raw 32 KB
// blocks whose byte sum the unit reports back (89).
#include <algorithm>

#include "messages/Messages.h"
#include "protocol/AnswerHandlers.h"
#include "protocol/CommandCodes.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/PacketBytes.h"
#include "protocol/Senders.h"
#include "protocol/SlotOperations.h"

namespace {

constexpr uint32_t kRoundKB = 64;

void EndDownload(JobState& js, int slot) {
  EndSlotOperation(js, false, slot);
  SendOffLineMonitor(js, kCmdOffLineMonitor, slot);
}

}  // namespace

void HandleDownloadStart(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  js.SlotKbIndex[slot] = 0;
  // A chip under 1 KB still takes one page.
  const SealedSettings& sealed = js.SlotSettings[slot];
  js.SlotBlockTotal[slot] = std::max<uint32_t>(sealed.DataSizeKB, 1);
  SetGaugeMax(js.GaugeSlots[slot], int64_t{sealed.DataSizeKB} + 1);
  SetGaugeProgress(js.GaugeSlots[slot], 4);
  if (sealed.LargeDownload) {
    NextOperationStep(js, kOpDownloadRaw, slot);
    js.SlotTimeout[slot] = kRawDownloadTimeoutTicks;
    EnterRawRound(js, slot);
    SendCommand16(js, kCmdRawDownload, slot);
  } else {
    NextOperationStep(js, kOpDownloadPages, slot);
    js.SlotTimeout[slot] = kAnswerTimeoutTicks;
    LeaveRawRound(js, slot);
    SendDataPage(js, kCmdDataPage, 0, 0, slot);
  }
}

void HandleDataPageAnswer(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  js.SlotKbIndex[slot] += 4;
  SetGaugeProgress(js.GaugeSlots[slot], int64_t{js.SlotKbIndex[slot]} + 4);
  if (js.SlotKbIndex[slot] < js.SlotBlockTotal[slot]) {
    SendDataPage(js, kCmdDataPage, js.SlotKbIndex[slot], 0, slot);
  } else {
    EndDownload(js, slot);
  }
}

void HandleRawBlockAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  SetGaugeProgress(js.GaugeSlots[slot], int64_t{js.SlotKbIndex[slot]} + kRoundKB);
  if (js.SlotRawPending[slot]) {
    // The unit has accepted command 89: the first round.
    LeaveRawRound(js, slot);
    LogSlotMessage(js, msg::Tr("Start Transmitter Data......"), slot);
    SendRawBlockPair(js, slot);
    return;
  }
  if (!RequirePayload(js, payload, 4, slot)) return;
  if (GetLE32(payload.data()) != js.SlotSendSum[slot]) {
    FailWithCode(js, kStatusDataVerifyError, slot);
    return;
  }
  js.SlotKbIndex[slot] += kRoundKB;
  if (js.SlotKbIndex[slot] < js.SlotBlockTotal[slot]) {
    SendRawBlockPair(js, slot);
  } else {
    EndDownload(js, slot);
  }
}
