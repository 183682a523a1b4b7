#include "protocol/StreamedRead.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "messages/Messages.h"
#include "protocol/CommandCodes.h"
#include "protocol/DataRange.h"
#include "protocol/GaugeControl.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"

namespace {

IGauge* StreamGauge(JobState& js) { return js.GaugeSlots[0]; }

// The bytes the unit was asked to stream.
uint64_t AskedBytes(const JobState& js) { return uint64_t{js.SlotSettings[0].DataSizeKB} * 1024; }

// A whole read is the image now: the range covers what the read asked for,
// so a save or a program takes all of it.
void TakeReadRange(JobState& js) {
  const uint32_t length = std::min(js.ReadLength, kDataBufferSize);
  if (length == 0) return;
  js.DataStart = 0;
  js.DataEnd = length - 1;
  js.ChipEndAddr = static_cast<int32_t>(js.DataEnd);
  js.ChipSize = length;
  js.DataSizeKB = (length + 1023) / 1024;
}

void EndStream(JobState& js) {
  LeaveReadStream(js);
  js.ReadStreamHeld = 0;
}

// Padding or data? Some units send five 0xFF behind the answer that starts
// the stream, some do not, and an erased chip begins with 0xFF too, so the
// byte values cannot tell. The counts can: a unit streams the size the read
// asked for (the kilobytes of the read × 1024, or else the read length), behind its
// padding if it pads.
// - While nothing is stored, leading 0xFF bytes are held aside, up to five.
//   Any other byte among them shows there was no padding: the held bytes
//   are the chip's and go in front of it.
// - With five held, what follows is stored from address 0, as behind
//   padding: the asked size stored behind them proves them padding, and a
//   padding unit's read ends on its count as it always has.
// - A stream that falls silent with bytes still held brought less. The held
//   bytes are the chip's first bytes when with them exactly a size the read
//   asked for has come, and the stored ones move up behind them; otherwise
//   they were padding, as the old rule had it. An unpadded read of an erased
//   chip thus ends one silence count (1 s) after its last byte.
// A unit that sends more right behind an unpadded stream would make its
// first five erased bytes look like padding; units send nothing unasked
// there.
void TakeHeldAsData(JobState& js) {
  const uint32_t held = std::exchange(js.ReadStreamHeld, 0);
  if (held == 0) return;
  uint8_t* buffer = js.DataBuffer.get();
  const size_t stored = std::min<uint64_t>(js.ReadCount, kDataBufferSize - held);
  std::memmove(buffer + held, buffer, stored);
  std::memset(buffer, 0xFF, held);
  js.ReadCount = static_cast<uint32_t>(std::min<uint64_t>(uint64_t{js.ReadCount} + held, UINT32_MAX));
}

}  // namespace

void BeginReadStream(JobState& js) {
  js.ReadCount = 0;
  js.SlotKbIndex[0] = 0;
  js.SlotTimeout[0] = kStreamFirstBytesTicks;
  EnterReadStream(js);
  js.ReadStreamHeld = 0;
  RequestTicks(js);
  SetGaugeMax(StreamGauge(js), (uint64_t{js.ReadLength} + 1023) / 1024);
}

void ReceiveReadStream(JobState& js, const uint8_t* data, size_t length) {
  if (length == 0) return;
  // Any bytes show the unit is still sending, padding held aside included:
  // a unit may pause between its padding and the chip's first bytes.
  js.SlotTimeout[0] = kStreamSilenceTicks;
  // The stream's first bytes, while they may still be padding.
  for (; length > 0 && js.ReadCount == 0 && js.ReadStreamHeld < kFramePadding; ++data, --length) {
    if (*data != 0xFF) {
      TakeHeldAsData(js);
      break;
    }
    ++js.ReadStreamHeld;
  }
  if (length == 0) return;
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
  if (js.ReadCount < AskedBytes(js)) {
    SetGaugeProgress(StreamGauge(js), js.ReadCount / 1024);
    return;
  }
  // Five bytes still held in front of the whole size were the padding.
  js.SlotTimeout[0] = 0;
  EndStream(js);
  js.DataLoaded = 1;
  TakeReadRange(js);
  FillGauge(StreamGauge(js));
  LogSlotMessage(js, msg::Tr("Chip Data has been read out."), 0);
  ShowReadChipResult(js);
}

void TickReadStream(JobState& js) {
  if (!js.ReadStreaming || !CountDown(js.SlotTimeout[0])) return;
  if (js.ReadStreamHeld > 0) {
    const uint64_t withHeld = uint64_t{js.ReadCount} + js.ReadStreamHeld;
    if (withHeld == AskedBytes(js) || withHeld == js.ReadLength) {
      // The chip's own first bytes: with them the read is whole.
      TakeHeldAsData(js);
      UpdateReadProgress(js);
      if (!js.ReadStreaming) return;
    }
    // Otherwise padding, which EndStream drops.
  }
  EndStream(js);
  if (js.ReadCount < js.ReadLength) {
    LogSlotMessage(js, msg::Tr("Time out when Read Chip data!"), 0);
    // What came overwrote part of the buffer: it no longer holds the image
    // that was loaded, nor a whole chip.
    if (js.ReadCount > 0) MarkBufferNotLoaded(js, 0);
    return;
  }
  TakeReadRange(js);
  FillGauge(StreamGauge(js));
  LogSlotMessage(js, msg::Tr("Chip data has been read out successfully!"), 0);
  ShowReadChipResult(js);
}

uint32_t StopReadStream(JobState& js) {
  EndStream(js);
  js.SlotTimeout[0] = 0;
  return js.ReadCount;
}
