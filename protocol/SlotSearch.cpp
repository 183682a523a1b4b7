#include "protocol/SlotSearch.h"

#include "messages/Messages.h"
#include "protocol/CommandCodes.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotPhase.h"
#include "protocol/StreamedRead.h"

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
}  // namespace

void ForgetUnits(JobState& js) {
  js.DeviceCount = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) DropSlotUnit(js, slot);
}

void ClearSlotsForSearch(JobState& js) {
  js.DeviceCount = 0;
  LeaveReadStream(js);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    js.SlotRxCount[slot] = 0;
    LeaveProgramStream(js, slot);
    LeaveRawRound(js, slot);
    DropSlotUnit(js, slot);
    if (IGauge* gauge = js.GaugeSlots[slot]) {
      gauge->SetEnabled(false);
      gauge->SetProgress(0);
      gauge->SetColor(GaugeColor::Blue);
    }
  }
}

void ArmSlotProbe(JobState& js, int slot) {
  if (!ValidSlot(slot)) return;
  js.SlotTimeout[slot] = kAnswerTimeoutTicks;
  UnitGone(js, slot);
}

namespace {

// Ends what runs on a slot whose line has gone, as failed.
void FailLostSlot(JobState& js, int slot) {
  const SlotPhase phase = SlotPhaseOf(js, slot);
  if (phase == SlotPhase::Idle || phase == SlotPhase::Absent) return;
  uint32_t readBytes = 0;
  if (phase == SlotPhase::Reading) readBytes = StopReadStream(js);
  if (phase == SlotPhase::Sending) {
    LeaveProgramStream(js, slot);
    // Nothing of the image may reach a unit later on this port.
    if (ISlotPort* port = js.CommSlots[slot]) port->DropPendingWrites();
  }
  LogSlotMessage(js, msg::Tr("Connection to the unit lost!"), slot);
  EndSlotOperation(js, true, slot);
  // Part of the chip came over the loaded image.
  if (readBytes > 0) MarkBufferNotLoaded(js, slot);
}

}  // namespace

void LoseSlotLine(JobState& js, int slot) {
  if (!ValidSlot(slot)) return;
  FailLostSlot(js, slot);
  UnitGone(js, slot);
  if (IGauge* gauge = js.GaugeSlots[slot]) gauge->SetEnabled(false);
}

bool RefuseSearchWhileRunning(JobState& js) {
  bool running = false;
  for (int slot = 0; slot < kSlotCount; ++slot) running = running || SlotRunning(js, slot);
  if (!running) return false;
  if (js.LogMemo)
    js.LogMemo->ShowMessage(msg::Tr(
        "The units are running, please wait until they finish before refreshing or searching the ports!"));
  return true;
}
