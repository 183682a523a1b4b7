// Answers of the reads: the chip block by block (155), the start of the
// streamed chip read (154), the image stored in the unit (57) and the chip's
// identification and status. Reads of data go to DataBuffer from address 0.
#include <cstring>
#include <string>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/AnswerHandlers.h"
#include "protocol/CommandCodes.h"
#include "protocol/DataRange.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/Senders.h"
#include "protocol/SlotOperations.h"
#include "protocol/StreamedRead.h"

namespace {

constexpr uint32_t kBlockBytes = 4096;

// The 4 KB block at SlotKbIndex must lie inside the data buffer (and its
// spare bytes inside it too); a unit asked for more than the buffer holds
// ends the read.
bool BlockFits(JobState& js, bool withSpare, int slot) {
  const uint64_t at = uint64_t{js.SlotKbIndex[slot]} * 1024;
  const uint64_t spareEnd = kPageSpareOffset + uint64_t{js.SlotKbIndex[slot]} * kPagedSparePerKB +
                            kPagedPagesPerBlock * kPagedSpareSize;
  if (at + kBlockBytes <= kDataBufferSize && (!withSpare || spareEnd <= kDataBufferSize)) {
    return true;
  }
  LogSlotMessage(js, msg::Tr("Read data lies beyond the data buffer!"), slot);
  FailWithCode(js, kPacketDataError, slot);
  return false;
}

void StoreBlock(JobState& js, const uint8_t* payload, int slot) {
  uint8_t* to = js.DataBuffer.get() + uint64_t{js.SlotKbIndex[slot]} * 1024;
  if (!IsPagedFlash(js.SlotSettings[slot].ChipFamily)) {
    std::memcpy(to, payload, kBlockBytes);
    return;
  }
  uint8_t* spare = js.PageSpareArea() + uint64_t{js.SlotKbIndex[slot]} * kPagedSparePerKB;
  for (uint32_t p = 0; p < kPagedPagesPerBlock; ++p) {
    const uint8_t* page = payload + p * kPagedPageSize;
    std::memcpy(to + p * kPagedDataSize, page, kPagedDataSize);
    std::memcpy(spare + p * kPagedSpareSize, page + kPagedDataSize, kPagedSpareSize);
  }
}

}  // namespace

void HandleReadBlockAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  const bool paged = IsPagedFlash(js.SlotSettings[slot].ChipFamily);
  if (!RequirePayload(js, payload, paged ? kPagedPagesPerBlock * kPagedPageSize : kBlockBytes, slot)) return;
  if (!BlockFits(js, paged, slot)) return;
  StoreBlock(js, payload.data(), slot);
  js.SlotKbIndex[slot] += 4;
  SetGaugeProgress(js.GaugeSlots[slot], int64_t{js.SlotKbIndex[slot]} + 2);
  if (js.SlotKbIndex[slot] < js.SlotBlockTotal[slot]) {
    SendChipCommand(js, kCmdReadBlock, static_cast<uint16_t>(js.SlotKbIndex[slot]), slot);
    return;
  }
  // The last answer's protection bytes, taken while the answer is at hand.
  std::string protection;
  if (IsSpd(js.SlotSettings[slot].ChipFamily)) {
    protection = msg::Tr("Chip Protection Statu is:");
    for (size_t at : {512, 514, 516, 518}) protection += msg::Fmt("0x%0.2x ", payload[at]);
  }
  js.DataLoaded = 1;
  LogSlotMessage(js, msg::Tr("Chip Data has been read out."), slot);
  EndSlotOperation(js, false, slot);
  TakeImageRange(js);
  if (!protection.empty()) LogSlotMessage(js, protection, slot);
}

void HandleReadStreamStart(JobState& js, uint8_t status, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  if (slot != 0) {
    // The stream is taken from unit 1's line only.
    EndSlotOperation(js, true, slot);
    return;
  }
  BeginReadStream(js);
}

void HandleReadDownloadedAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload,
                                int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  if (!RequirePayload(js, payload, kBlockBytes, slot)) return;
  if (!BlockFits(js, false, slot)) return;
  std::memcpy(js.DataBuffer.get() + uint64_t{js.SlotKbIndex[slot]} * 1024, payload.data(), kBlockBytes);
  js.SlotKbIndex[slot] += 4;
  SetGaugeProgress(js.GaugeSlots[slot], js.SlotKbIndex[slot]);
  if (js.SlotKbIndex[slot] < js.SlotBlockTotal[slot]) return;  // the unit sends on by itself
  js.DataLoaded = 1;
  LogSlotMessage(js, msg::Tr("Download Data has been read out."), slot);
  EndSlotOperation(js, false, slot);
  TakeImageRange(js);
}

void HandleReadIdAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload, int slot) {
  if (!IsGoodStatus(status)) return FailWithCode(js, status, slot);
  const uint8_t* p = payload.data();
  if (IsSpiEeprom(js.SlotSettings[slot].ChipFamily)) {
    constexpr size_t kLines = 8, kPerLine = 16;
    if (!RequirePayload(js, payload, 2 + kLines * kPerLine, slot)) return;
    LogSlotMessage(js, msg::FmtV(msg::Tr("Read Chip Statu data is:0x%0.2x."), p[0]), slot);
    LogSlotMessage(js, msg::Tr("Read Chip DID data are:"), slot);
    for (size_t line = 0; line < kLines; ++line) {
      std::string text;
      for (size_t i = 0; i < kPerLine; ++i) text += msg::Fmt("%0.2x ", p[2 + kPerLine * line + i]);
      LogSlotMessage(js, text, slot);
    }
  } else {
    if (!RequirePayload(js, payload, 6, slot)) return;
    LogSlotMessage(js,
                   msg::Tr("Read Chip Information success: ID=") +
                       msg::Fmt("0x%0.2x,0x%0.2x, Statu Reg=0x%0.2x,", p[1], p[0], p[4]) +
                       msg::Fmt("0x%0.2x", p[5]),
                   slot);
  }
  EndSlotOperation(js, false, slot);
}
