#include "protocol/SlotPhase.h"

#include "protocol/JobState.h"

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
bool ReadStreamOn(const JobState& js, int slot) { return slot == 0 && js.ReadStreaming != 0; }
}  // namespace

SlotPhase SlotPhaseOf(const JobState& js, int slot) {
  if (!ValidSlot(slot)) return SlotPhase::Absent;
  if (js.SlotDownloading[slot] != 0) return SlotPhase::Sending;
  if (ReadStreamOn(js, slot)) return SlotPhase::Reading;
  if (js.SlotBusy[slot] != 0) return SlotPhase::Busy;
  if (js.SlotRawPending[slot] != 0) return SlotPhase::Raw;
  return js.SlotConnected[slot] != 0 ? SlotPhase::Idle : SlotPhase::Absent;
}

bool SlotFlagsConsistent(const JobState& js, int slot) {
  if (!ValidSlot(slot)) return true;
  const bool busy = js.SlotBusy[slot] != 0;
  const bool sending = js.SlotDownloading[slot] != 0;
  const bool reading = ReadStreamOn(js, slot);
  const bool connected = js.SlotConnected[slot] != 0;
  const bool streaming = sending || reading;
  if (sending && reading) return false;
  if (streaming && (busy || js.SlotOp[slot] != kOpIdle)) return false;
  if (busy && js.SlotOp[slot] == kOpIdle) return false;
  // What a refresh leaves on a slot whose port it closed.
  if (!connected && !busy && !streaming) return true;
  if (js.SlotRawPending[slot] != 0 && !busy) return false;
  if (js.SlotAutoMode[slot] != 0 && !busy && !sending) return false;
  if (js.SlotGaugeTick[slot] != 0 && !busy) return false;
  return true;
}
