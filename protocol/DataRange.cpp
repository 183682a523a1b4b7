#include "protocol/DataRange.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/Checks.h"
#include "protocol/ChipFamilies.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"

namespace {

constexpr uint32_t kLastIndex = kDataBufferSize - 1;

// The class test of the hex grid.
bool HasHexGrid(const JobState& js) { return IsEeprom(js.ChipFamily) || IsPagedFlash(js.ChipFamily); }

// Highest address in first..last whose byte is not 0xFF, or first - 1 when
// they all are (first > 0 is guaranteed by the caller).
uint64_t LastNotErased(const uint8_t* buf, uint64_t first, uint64_t last) {
  uint64_t i = last + 1;
  // Eight bytes at a time through the erased stretch, then byte by byte.
  while (i - first >= 8) {
    uint64_t word;
    std::memcpy(&word, buf + i - 8, 8);
    if (word != ~uint64_t{0}) break;
    i -= 8;
  }
  while (i > first && buf[i - 1] == 0xFF) --i;
  return i - 1;
}

void ShowHexGrid(JobState& js) {
  if (!js.LogMemo) return;
  uint32_t last = std::min(js.DataEnd, kLastIndex);
  if (js.DataStart > last) return;
  js.LogMemo->ShowHexRange(js.DataStart, last);
}

// The range DataStart..DataEnd taken from address 0, as the chip values use it.
void UpdateRangeChecksums(JobState& js) {
  if (js.DataEnd < js.DataStart) {
    UpdateChecksums(js, 1, 0);
    return;
  }
  UpdateChecksums(js, 0, js.DataEnd - js.DataStart);
}

// The whole chip as the range, and as the size the packets carry: what
// "User Chip Size" asks for, also after an earlier load was trimmed.
void UseWholeChip(JobState& js) {
  const uint32_t size = std::min(js.ChipSizeCopy, kDataBufferSize);
  if (size == 0) return;  // no chip size to widen to
  js.DataEnd = size - 1;
  js.ChipEndAddr = static_cast<int32_t>(js.DataEnd);
  js.ChipSize = size;
  js.DataSizeKB = (size + 1023) / 1024;
}

}  // namespace

bool TrimmedClass(const JobState& js) { return IsPlainFlash(js.ChipFamily); }

uint32_t FileRangeCRC32(const JobState& js) {
  // An empty binary file ends at 0xFFFFFFFF (size - 1); a HEX file without
  // data starts above its end.
  if (js.FileEndAddr == 0xFFFFFFFF || js.FileStartAddr > js.FileEndAddr) return 0;
  if (js.FileStartAddr > kLastIndex) return 0;
  return CRC32Block(js.DataBuffer.get(), js.FileStartAddr, std::min(js.FileEndAddr, kLastIndex));
}

void SettleDataRange(JobState& js) {
  AddRawLine(js, " ");
  AddInfoLine(js, msg::FmtV(msg::Tr("Chip Start Address = 0x%0.6x."), js.DataStart));
  AddInfoLine(js, msg::FmtV(msg::Tr("Chip End Address   = 0x%0.6x."), js.DataEnd));
  if (!TrimmedClass(js)) return;
  if (js.UserChipSize) {
    UseWholeChip(js);
  } else {
    TrimTrailingBlank(js);
  }
}

void ShowChipDataRange(JobState& js) {
  UpdateRangeChecksums(js);
  if (HasHexGrid(js)) ShowHexGrid(js);
  if (js.LogMemo) js.LogMemo->SetBusyCursor(false);
}

void TakeImageRange(JobState& js) {
  SettleDataRange(js);
  ShowChipDataRange(js);
}

void RefitForUserChipSize(JobState& js) {
  if (js.ChipSelected && js.DataLoaded && TrimmedClass(js)) TakeImageRange(js);
}

void TrimTrailingBlank(JobState& js) {
  uint32_t size = std::min(js.ChipSizeCopy, kDataBufferSize);
  js.DataEnd = size == 0 ? 0 : size - 1;
  uint64_t start = js.DataStart;
  uint64_t end = js.DataEnd;
  uint64_t p;
  if (start + 4095 <= end) {
    p = LastNotErased(js.DataBuffer.get(), start + 4095, end);  // start + 4094 when all erased
  } else {
    p = end;
  }
  // The last byte of p's 256-byte block, but never past the buffer.
  js.DataEnd = static_cast<uint32_t>(std::min<uint64_t>(p | 0xFF, kLastIndex));
  js.ChipSize = js.DataEnd + 1;
  js.DataSizeKB = (js.ChipSize + 1023) / 1024;

  AddRawLine(js, "");
  AddInfoLine(js, msg::Fmt("Actual Data Start Address = 0x%0.6x.", js.DataStart));
  AddInfoLine(js, msg::Fmt("Actual Data End Address   = 0x%0.6x.", js.DataEnd));
  AddInfoLine(js, msg::Fmt("Actual Data Size in Byte  = %d B.", static_cast<int>(js.ChipSize)));
  AddRawLine(js, "");
}

void ShowChecksumPanels(JobState& js) {
  if (!js.LogMemo) return;
  if (js.ChecksumKind == 0) {
    js.LogMemo->SetStatusPanel(0, msg::Fmt("File ACC32 : 0x%0.8x", js.LoadSum));
    js.LogMemo->SetStatusPanel(1, msg::Fmt("Chip ACC32 : 0x%0.8x", js.ChipSum32));
  } else {
    js.LogMemo->SetStatusPanel(0, msg::Fmt("File CRC32 : 0x%0.8x", js.FileCRC32));
    js.LogMemo->SetStatusPanel(1, msg::Fmt("Chip CRC32 : 0x%0.8x", js.ChipCRC32));
  }
}

namespace {

void SumRange(JobState& js, uint32_t first, uint32_t last) {
  last = std::min(last, kLastIndex);  // an empty range when first lies beyond
  const uint8_t* buf = js.DataBuffer.get();
  js.DataCRC16 = PacketCRC16(buf, first, last);
  js.ChipSum32 = ByteSum32(buf, first, last);
  js.DataSum16 = static_cast<uint16_t>(js.ChipSum32);
  js.ChipCRC32 = CRC32Block(buf, first, last);
}

}  // namespace

void UpdateChecksums(JobState& js, uint32_t first, uint32_t last) {
  SumRange(js, first, last);
  ShowChecksumPanels(js);
  AddInfoLine(js, msg::Fmt("Chip ACC32 CheckSum  = 0x%0.8x.", js.ChipSum32));
  AddInfoLine(js, msg::Fmt("Chip CRC32 CheckSum  = 0x%0.8x.", js.ChipCRC32));
  AddRawLine(js, "");
}

void ShowReadChipResult(JobState& js) {
  AddRawLine(js, " ");
  // The first length that gives at least one byte inside the buffer: the
  // loaded file's, the read length, the chip's, one byte.
  const uint32_t candidates[] = {js.DataLoaded ? js.FileLength : js.ReadLength, js.ReadLength,
                                 js.ChipSizeCopy, 1};
  uint32_t n = 1;
  for (uint32_t c : candidates) {
    if (c >= 1 && c <= kDataBufferSize) {
      n = c;
      break;
    }
  }
  uint32_t last = n - 1;
  AddInfoLine(js, msg::Fmt("Read Data End Address : 0x%0.8x.", last));
  SumRange(js, 0, last);
  AddInfoLine(js, msg::Fmt("Read Chip ACC32 CheckSum  = 0x%0.8x.", js.ChipSum32));
  AddInfoLine(js, msg::Fmt("Read Chip CRC32 CheckSum  = 0x%0.8x.", js.ChipCRC32));
  AddRawLine(js, "");
  if (HasHexGrid(js)) ShowHexGrid(js);
}

void CompactPagedImage(JobState& js) {
  AddRawLine(js, " ");
  if (js.LogMemo) js.LogMemo->SetBusyCursor(true);
  // These four lines read the same in both programs.
  AddInfoLine(js, msg::Fmt("目标文件首地址 = 0x%0.6x.", js.FileStartAddr));
  AddInfoLine(js, msg::Fmt("目标文件尾地址 = 0x%0.6x.", js.FileEndAddr));
  AddInfoLine(js, msg::Fmt("目标芯片首地址 = 0x%0.6x.", js.DataStart));
  AddInfoLine(js, msg::Fmt("目标芯片尾地址 = 0x%0.6x.", js.DataEnd));
  AddRawLine(js, " ");

  uint8_t* buf = js.DataBuffer.get();
  std::vector<uint8_t> spare(kPagedImagePages * kPagedSpareSize);
  for (uint32_t p = 0; p < kPagedImagePages; ++p)
    std::memcpy(&spare[p * kPagedSpareSize], buf + p * kPagedPageSize + kPagedDataSize, kPagedSpareSize);
  // Ascending order never overwrites a byte still to be moved (the source
  // lies above the target); memmove copes with the overlap inside a page.
  for (uint32_t p = 1; p < kPagedImagePages; ++p)
    std::memmove(buf + p * kPagedDataSize, buf + p * kPagedPageSize, kPagedDataSize);
  std::memcpy(buf + kPageSpareOffset, spare.data(), spare.size());

  UpdateRangeChecksums(js);
  ShowHexGrid(js);
  if (js.LogMemo) js.LogMemo->SetBusyCursor(false);
}
