#include "protocol/SerialNumber.h"

#include <algorithm>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/DataRange.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"

bool WriteSerialNumber(JobState& js, bool bigEndian) {
  const uint32_t address = static_cast<uint32_t>(js.SNAddress);
  if (address > kDataBufferSize - 4) {
    AddInfoLine(js, msg::FmtV(msg::Tr("S/N not inserted: address 0x%0.8x lies outside the data buffer."),
                              address));
    return false;
  }
  const uint32_t value = static_cast<uint32_t>(js.SNValue);
  for (uint32_t i = 0; i < 4; ++i) {
    const uint8_t byte = static_cast<uint8_t>(value >> (8 * i));
    js.DataBuffer[bigEndian ? address + 3 - i : address + i] = byte;
  }
  return true;
}

std::string OnlineSNRangeRefusal(const JobState& js) {
  if (!js.SNEnabled) return {};
  const uint32_t address = static_cast<uint32_t>(js.SNAddress);
  const uint64_t snEnd = uint64_t{address} + 4;  // one past its last byte
  const uint32_t rangeLast = js.DataEnd >= js.DataStart ? js.DataEnd - js.DataStart : 0;
  if (js.DataEnd >= js.DataStart && snEnd <= uint64_t{rangeLast} + 1) return {};
  // "User Chip Size" widens a trimmed range to the whole chip, which only
  // helps a number inside the chip.
  const bool wholeChipHelps = TrimmedClass(js) && snEnd <= std::min(js.ChipSizeCopy, kDataBufferSize);
  return msg::FmtV(msg::Tr(wholeChipHelps
                               ? "The S/N address 0x%0.8x lies outside the data range being programmed "
                                 "(0x%0.8x - 0x%0.8x)! Please choose another S/N address, or check "
                                 "\"User Chip Size\" to program the whole chip."
                               : "The S/N address 0x%0.8x lies outside the data range being programmed "
                                 "(0x%0.8x - 0x%0.8x): its 4 bytes would not all reach the chip! "
                                 "Please choose another S/N address."),
                   address, 0u, rangeLast);
}

void InsertOnlineSerialNumber(JobState& js) {
  if (!WriteSerialNumber(js, (js.CtrlFlags & 0x10) != 0)) return;
  if (js.LogMemo) js.LogMemo->ShowImageBytes(static_cast<uint32_t>(js.SNAddress), 4);
  if (js.DataEnd >= js.DataStart)
    UpdateChecksums(js, 0, js.DataEnd - js.DataStart);
  else
    UpdateChecksums(js, 1, 0);
}

std::string FixedSNRangeRefusal(const JobState& js, uint32_t address, size_t length) {
  const uint64_t end = uint64_t{address} + length;  // one past the last byte
  const uint32_t chipSize = js.ChipSizeCopy;
  if (js.ChipSelected && chipSize != 0 && end > chipSize) {
    return msg::FmtV(msg::Tr("The S/N data at address 0x%0.8x (%d bytes) lie beyond the end of the chip, "
                             "whose size is 0x%0.8x bytes! Please choose another address or shorter data."),
                     address, static_cast<int>(length), chipSize);
  }
  if (end > kDataBufferSize) return msg::Tr("S/N data do not fit the data buffer!");
  return {};
}
