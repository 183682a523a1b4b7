#include "protocol/SlotSearch.h"

#include "protocol/CommandCodes.h"
#include "protocol/JobState.h"

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
}  // namespace

void ForgetUnits(JobState& js) {
  js.DeviceCount = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) DropSlotUnit(js, slot);
}

void ClearSlotsForSearch(JobState& js) {
  js.DeviceCount = 0;
  js.ReadStreaming = 0;
  for (int slot = 0; slot < kSlotCount; ++slot) {
    js.SlotRxCount[slot] = 0;
    js.SlotDownloading[slot] = 0;
    js.SlotRawPending[slot] = 0;
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
  js.SlotConnected[slot] = 0;
}

void LoseSlotLine(JobState& js, int slot) {
  if (!ValidSlot(slot)) return;
  js.SlotConnected[slot] = 0;
  if (IGauge* gauge = js.GaugeSlots[slot]) gauge->SetEnabled(false);
}
