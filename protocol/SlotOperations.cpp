#include "protocol/SlotOperations.h"

#include <algorithm>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotPhase.h"
#include "protocol/SlotTimers.h"

namespace {
bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }
}  // namespace

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

bool SlotStreaming(const JobState& js, int slot) {
  const SlotPhase phase = SlotPhaseOf(js, slot);
  return phase == SlotPhase::Sending || phase == SlotPhase::Reading;
}

bool SlotReady(const JobState& js, int slot) { return SlotPhaseOf(js, slot) == SlotPhase::Idle; }

bool SlotRunning(const JobState& js, int slot) {
  const SlotPhase phase = SlotPhaseOf(js, slot);
  return phase != SlotPhase::Idle && phase != SlotPhase::Absent;
}

void MarkBufferNotLoaded(JobState& js, int slot) {
  js.DataLoaded = 0;
  LogSlotMessage(js, msg::Tr("Read not completed: the data buffer no longer holds loaded data!"),
                 slot);
}

void EndSlotOperation(JobState& js, bool failed, int slot) {
  if (!ValidSlot(slot)) return;
  // A read into the data buffer that stops part-way leaves a mix of the
  // earlier image and the chip's bytes there.
  const bool partRead = failed && js.SlotKbIndex[slot] > 0 &&
                        (js.SlotOp[slot] == kOpReadChip155 || js.SlotOp[slot] == kOpReadDownloaded);
  // Every way an Auto fails (error status, wrong check value, time-out, lost
  // line, failed verify) ends here; the flag goes with it, so nothing later
  // counts the chip again. The host's chip counts in the total only: the
  // slot's own counts are those the unit reports of its own runs.
  const bool autoFailed = failed && js.SlotAutoMode[slot] != 0;
  js.SlotAutoMode[slot] = 0;
  js.SlotBusy[slot] = 0;
  js.SlotRawPending[slot] = 0;  // a download that ends before its first round
  js.SlotGaugeTick[slot] = 0;
  js.SlotOp[slot] = kOpIdle;
  if (IGauge* gauge = js.GaugeSlots[slot]) {
    gauge->SetColor(failed ? GaugeColor::Red : GaugeColor::Blue);
    FillGauge(gauge);
  }
  LogSlotMessage(js, msg::Tr(failed ? "Operation Failed!" : "Operation Success!"), slot);
  if (partRead) MarkBufferNotLoaded(js, slot);
  if (autoFailed) CountNgTotal(js);
}

void CountNgTotal(JobState& js) {
  js.NgCount += 1;
  if (js.LogMemo) js.LogMemo->SetStatusPanel(3, msg::Fmt("%d", js.NgCount));
}

bool SetDefaultDataRange(JobState& js) {
  // A size of 0 (no chip chosen) would make DataEnd 0xFFFFFFFF; every range
  // must stay inside the data buffer.
  uint32_t size = std::min(js.ChipSizeCopy, kDataBufferSize);
  js.DataSizeKB = js.ChipSize >= 1024 ? size / 1024 : 0;
  js.DataStart = 0;
  js.DataEnd = size == 0 ? 0 : size - 1;
  js.ChipEndAddr = static_cast<int32_t>(js.DataEnd);
  return size != 0 && size == js.ChipSizeCopy;
}
