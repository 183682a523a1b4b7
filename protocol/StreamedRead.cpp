#include "protocol/StreamedRead.h"

#include <algorithm>
#include <cstring>

#include "messages/Messages.h"
#include "protocol/DataRange.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"

namespace {

// Bytes of 0xFF a unit sends behind every frame.
constexpr uint8_t kFramePadding = 5;
constexpr int32_t kFirstBlockTicks = 50;
constexpr int32_t kNextBlockTicks = 100;

IGauge* StreamGauge(JobState& js) { return js.GaugeSlots[0]; }

void EndStream(JobState& js) {
  js.ReadStreaming = 0;
  js.ReadStreamPadding = 0;
}

}  // namespace

void BeginReadStream(JobState& js) {
  js.ReadCount = 0;
  js.SlotKbIndex[0] = 0;
  js.SlotTimeout[0] = kFirstBlockTicks;
  js.ReadStreaming = 1;
  RequestTicks(js);
  js.ReadStreamPadding = kFramePadding;
  js.SlotBusy[0] = 0;
  js.SlotGaugeTick[0] = 0;
  js.SlotOp[0] = kOpIdle;
  SetGaugeMax(StreamGauge(js), (uint64_t{js.ReadLength} + 1023) / 1024);
}

void ReceiveReadStream(JobState& js, const uint8_t* data, size_t length) {
  while (length > 0 && js.ReadStreamPadding > 0 && *data == 0xFF) {
    ++data;
    --length;
    --js.ReadStreamPadding;
  }
  if (length == 0) return;
  js.ReadStreamPadding = 0;  // the chip's first byte has come
  js.SlotTimeout[0] = kNextBlockTicks;
  if (js.ReadCount < kDataBufferSize) {
    size_t n = std::min<size_t>(length, kDataBufferSize - js.ReadCount);
    std::memcpy(js.DataBuffer.get() + js.ReadCount, data, n);
  }
  // Counted whole, so that the completion test sees every byte that came.
  js.ReadCount = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{js.ReadCount} + length, UINT32_MAX));
  UpdateReadProgress(js);
}

void UpdateReadProgress(JobState& js) {
  if (js.LogMemo) js.LogMemo->ShowReadCount(js.ReadCount);
  if (js.ReadCount < uint64_t{js.DataSizeKB} * 1024) {
    SetGaugeProgress(StreamGauge(js), js.ReadCount / 1024);
    return;
  }
  js.SlotTimeout[0] = 0;
  EndStream(js);
  js.DataLoaded = 1;
  FillGauge(StreamGauge(js));
  LogSlotMessage(js, msg::Tr("Chip Data has been read out."), 0);
  ShowReadChipResult(js);
}

void TickReadStream(JobState& js) {
  if (!js.ReadStreaming || !CountDown(js.SlotTimeout[0])) return;
  EndStream(js);
  if (js.ReadCount < js.ReadLength) {
    LogSlotMessage(js, msg::Tr("Time out when Read Chip data!"), 0);
    // What came overwrote part of the buffer: it no longer holds the image
    // that was loaded, nor a whole chip.
    if (js.ReadCount > 0) MarkBufferNotLoaded(js, 0);
    return;
  }
  FillGauge(StreamGauge(js));
  LogSlotMessage(js, msg::Tr("Chip data has been read out successfully!"), 0);
  ShowReadChipResult(js);
}
