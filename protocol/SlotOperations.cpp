#include "protocol/SlotOperations.h"

#include <algorithm>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotPhase.h"

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
