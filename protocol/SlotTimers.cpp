#include "protocol/SlotTimers.h"

#include <limits>

#include "messages/Messages.h"
#include "protocol/AnswerHandlers.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/Senders.h"
#include "protocol/SlotOperations.h"
#include "protocol/StreamedRead.h"

namespace {

constexpr uint32_t kStreamBlockKB = 32;

void TickBusySlot(JobState& js, int slot) {
  if (js.SlotGaugeTick[slot]) {
    if (IGauge* gauge = js.GaugeSlots[slot]) SetGaugeProgress(gauge, int64_t{gauge->Progress()} + 1);
  }
  if (!CountDown(js.SlotTimeout[slot])) return;
  LogSlotMessage(js, msg::Tr("Operation Time Out!"), slot);
  EndSlotOperation(js, true, slot);
}

void PaceSlot(JobState& js, int slot) {
  // No time-out runs while the image goes out; a count written by a
  // received chunk meanwhile is dropped here.
  js.SlotTimeout[slot] = 0;
  SetGaugeProgress(js.GaugeSlots[slot], int64_t{js.SlotKbIndex[slot]} + kStreamBlockKB);
  ISlotPort* port = js.CommSlots[slot];
  if (port == nullptr || !port->IsOpen()) {
    // The unit's line has gone: the image cannot reach the chip.
    js.SlotDownloading[slot] = 0;
    EndSlotOperation(js, true, slot);
    return;
  }
  const size_t waiting = port->PendingWriteBytes();
  if (js.SlotBlockTotal[slot] > js.SlotKbIndex[slot]) {
    // At most one block waits behind the one going out: the line never
    // idles and the host never runs far ahead of it.
    if (waiting < kSlotRawBlockSize) SendNextDownloadBlock(js, slot);
  } else if (waiting == 0) {
    StartVerifyAfterProgram(js, slot);
  }
}

}  // namespace

bool CountDown(int32_t& ticks) {
  if (ticks == std::numeric_limits<int32_t>::min()) return false;
  --ticks;
  return ticks == 0;
}

bool TicksNeeded(const JobState& js) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (js.SlotBusy[slot] || SlotStreaming(js, slot)) return true;
  }
  return false;
}

void RequestTicks(JobState& js) {
  if (js.LogMemo) js.LogMemo->StartTicking();
}

void TickSlotTimeouts(JobState& js) {
  TickReadStream(js);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (js.SlotBusy[slot]) TickBusySlot(js, slot);
  }
}

void PaceDownloads(JobState& js) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (js.SlotDownloading[slot]) PaceSlot(js, slot);
  }
}
