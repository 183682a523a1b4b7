#include "protocol/SlotTimers.h"

#include <limits>

#include "messages/Messages.h"
#include "protocol/AnswerHandlers.h"
#include "protocol/CommandCodes.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/Senders.h"
#include "protocol/SlotOperations.h"
#include "protocol/StreamedRead.h"

namespace {

constexpr uint32_t kStreamBlockKB = 32;
// As long as an answer may take: a write queue that stands still this long
// sits on a line that no longer drains.
constexpr int32_t kStalledQueueTicks = kAnswerTimeoutTicks;

void TickBusySlot(JobState& js, int slot) {
  if (js.SlotGaugeTick[slot]) {
    if (IGauge* gauge = js.GaugeSlots[slot]) SetGaugeProgress(gauge, int64_t{gauge->Progress()} + 1);
  }
  if (!CountDown(js.SlotTimeout[slot])) return;
  LogSlotMessage(js, msg::Tr("Operation Time Out!"), slot);
  EndSlotOperation(js, true, slot);
}

// The pacing sends by the port's write queue, so a line that stops draining
// (a unit that no longer reads, a stuck adapter) would hold the stream for
// ever. Received bytes do not keep it alive: only its queue moving does.
void TickStreamQueue(JobState& js, int slot) {
  ISlotPort* port = js.CommSlots[slot];
  if (port == nullptr || !port->IsOpen()) return;  // the pacing ends a stream whose line has gone
  const size_t queued = port->PendingWriteBytes();
  if (queued == 0 || queued != js.SlotQueuedSeen[slot]) {
    // Moving, or empty until the pacing's next block: no stall.
    js.SlotQueuedSeen[slot] = queued;
    js.SlotStallTicks[slot] = kStalledQueueTicks;
    return;
  }
  if (!CountDown(js.SlotStallTicks[slot])) return;
  LogSlotMessage(js, msg::Tr("Operation Time Out!"), slot);
  // Nothing of the image may reach the unit later, in front of the next command.
  port->DropPendingWrites();
  LeaveProgramStream(js, slot);
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
    LeaveProgramStream(js, slot);
    LogSlotMessage(js, msg::Tr("Connection to the unit lost!"), slot);
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
    if (js.SlotDownloading[slot]) TickStreamQueue(js, slot);
  }
}

void WatchStreamQueue(JobState& js, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  js.SlotQueuedSeen[slot] = 0;
  js.SlotStallTicks[slot] = kStalledQueueTicks;
}

void PaceDownloads(JobState& js) {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    if (js.SlotDownloading[slot]) PaceSlot(js, slot);
  }
}
