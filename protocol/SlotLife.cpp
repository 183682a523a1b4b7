#include "protocol/SlotLife.h"

#include "messages/Messages.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
}  // namespace

void BeginOperation(JobState& js, const NewOperation& operation, int slot) {
  if (!ValidSlot(slot)) return;
  js.SlotOp[slot] = operation.op;
  js.SlotBusy[slot] = 1;
  if (operation.gaugeByTicks) js.SlotGaugeTick[slot] = *operation.gaugeByTicks ? 1 : 0;
  if (operation.autoRun) js.SlotAutoMode[slot] = *operation.autoRun ? 1 : 0;
  js.SlotDownloading[slot] = 0;
  js.SlotRawPending[slot] = 0;
}

void StartSlotOperation(JobState& js, int32_t ticks, uint32_t totalKB, int slot) {
  if (!ValidSlot(slot)) return;
  js.SlotKbIndex[slot] = 0;
  js.SlotBusy[slot] = 1;
  js.SlotTimeout[slot] = ticks;
  RequestTicks(js);
  int64_t max;
  if (totalKB != 0) {
    js.SlotBlockTotal[slot] = totalKB;
    max = totalKB;
  } else {
    js.SlotBlockTotal[slot] = js.SlotSettings[slot].DataSizeKB;
    max = ticks;
  }
  SetGauge(js.GaugeSlots[slot], max / 100 + 1, max, GaugeColor::Blue);
}


void NextOperationStep(JobState& js, SlotOpCode op, int slot) {
  if (ValidSlot(slot)) js.SlotOp[slot] = op;
}

void EnterRawRound(JobState& js, int slot) {
  if (ValidSlot(slot)) js.SlotRawPending[slot] = 1;
}

void LeaveRawRound(JobState& js, int slot) {
  if (ValidSlot(slot)) js.SlotRawPending[slot] = 0;
}

void EnterProgramStream(JobState& js, int slot) {
  if (!ValidSlot(slot)) return;
  js.SlotDownloading[slot] = 1;
  js.SlotBusy[slot] = 0;
  js.SlotOp[slot] = SlotOpCode::Idle;
}

void LeaveProgramStream(JobState& js, int slot) {
  if (ValidSlot(slot)) js.SlotDownloading[slot] = 0;
}

void EnterReadStream(JobState& js) {
  js.ReadStreaming = 1;
  js.SlotBusy[0] = 0;
  js.SlotGaugeTick[0] = 0;
  js.SlotOp[0] = SlotOpCode::Idle;
}

void LeaveReadStream(JobState& js) { js.ReadStreaming = 0; }

void EndSlotOperation(JobState& js, bool failed, int slot) {
  if (!ValidSlot(slot)) return;
  // A read into the data buffer that stops part-way leaves a mix of the
  // earlier image and the chip's bytes there.
  const bool partRead =
      failed && js.SlotKbIndex[slot] > 0 && BufferUseOf(js.SlotOp[slot]) == BufferUse::Fills;
  // Every way an Auto fails (error status, wrong check value, time-out, lost
  // line, failed verify) ends here; the flag goes with it, so nothing later
  // counts the chip again. The host's chip counts in the total only: the
  // slot's own counts are those the unit reports of its own runs.
  const bool autoFailed = failed && js.SlotAutoMode[slot] != 0;
  // A unit that has been through an upgrade stays on its slot, also one
  // that discovery upgraded straight from its probe answer.
  const bool upgraded = js.SlotOp[slot] == SlotOpCode::FirmwareUpgrade;
  js.SlotAutoMode[slot] = 0;
  js.SlotBusy[slot] = 0;
  js.SlotRawPending[slot] = 0;  // a download that ends before its first round
  js.SlotGaugeTick[slot] = 0;
  js.SlotOp[slot] = SlotOpCode::Idle;
  if (upgraded) js.SlotConnected[slot] = 1;
  if (IGauge* gauge = js.GaugeSlots[slot]) {
    gauge->SetColor(failed ? GaugeColor::Red : GaugeColor::Blue);
    FillGauge(gauge);
  }
  LogSlotMessage(js, msg::Tr(failed ? "Operation Failed!" : "Operation Success!"), slot);
  if (partRead) MarkBufferNotLoaded(js, slot);
  if (autoFailed) CountNgTotal(js);
}

void UnitFound(JobState& js, int slot) {
  if (!ValidSlot(slot)) return;
  js.SlotConnected[slot] = 1;
  js.SlotOp[slot] = SlotOpCode::Idle;
}

void UnitGone(JobState& js, int slot) {
  if (ValidSlot(slot)) js.SlotConnected[slot] = 0;
}

void DropSlotUnit(JobState& js, int slot) {
  if (!ValidSlot(slot)) return;
  js.SlotConnected[slot] = 0;
  js.SlotBusy[slot] = 0;
  js.SlotAutoMode[slot] = 0;
  js.SlotProgrammedSerial[slot] = {};  // another chip, or another unit, comes next
}
