#include "protocol/JobState.h"

#include <sys/mman.h>

#include <cstring>
#include <new>

namespace {

// The buffer lies on 2 MB pages where the system offers them: its first
// fill with 0xFF then touches 65 pages instead of 33,000.
constexpr size_t kHugePageSize = size_t{2} << 20;
constexpr size_t kDataBufferMapSize = (kDataBufferSize + kHugePageSize - 1) / kHugePageSize * kHugePageSize;

// An anonymous map of the buffer's whole pages, aligned to a huge page (the
// slack before and after is given back). Its bytes start at zero.
uint8_t* MapDataBuffer() {
  const size_t length = kDataBufferMapSize + kHugePageSize;
  void* map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  auto* base = static_cast<uint8_t*>(map);
  const size_t head = (kHugePageSize - reinterpret_cast<uintptr_t>(base) % kHugePageSize) % kHugePageSize;
  if (head > 0) munmap(base, head);
  munmap(base + head + kDataBufferMapSize, kHugePageSize - head);
  uint8_t* buffer = base + head;
  // Without transparent huge pages the advice fails and the buffer keeps
  // ordinary pages: slower to fill, the same otherwise.
  madvise(buffer, kDataBufferMapSize, MADV_HUGEPAGE);
  return buffer;
}

}  // namespace

void DataBufferDeleter::operator()(uint8_t* p) const { munmap(p, kDataBufferMapSize); }

JobState::JobState() : DataBuffer(MapDataBuffer()) {}

void InitChipParams(JobState& js) {
  js.LargeDownload = 0;
  js.LargeImage = 0;
  js.ReadStreaming = 0;
  js.SlotDownloading[0] = 0;
  js.SlotDownloading[1] = 0;
  js.PageEraseChip = 0;
  js.DataLoaded = 0;
  js.ChipSelected = 0;
  js.ChipSize = 2048;
  js.ChipAuxWord = 8192;
  js.ChipFamily = 0;
  js.ChipSubType = 0;
  js.ChipSpare = 32;
  js.DataStart = 0;
  js.DataEnd = 0;
  js.ReadCount = 0;
  js.ProtectByte = 0;
  js.PageSize = 8;
  js.ChipAddrMode = 0;
  js.I2CDevAddr = 0xA0;
  js.OkCount = 0;
  js.NgCount = 0;
  js.CtrlFlags = 0;
  js.ChipAuxByte = 0;
  js.AutoDetect = 0;
  std::memset(js.DataBuffer.get(), 0xFF, kDataBufferSize);
}

void InitSlotTables(JobState& js, const std::array<ISlotPort*, kSlotCount>& ports,
                    const std::array<IGauge*, kSlotCount>& gauges) {
  for (int i = 0; i < kSlotCount; ++i) {
    js.SlotConnected[i] = 0;
    js.SlotBusy[i] = 0;
    js.SlotAutoMode[i] = 0;
    js.SlotProgrammedSerial[i] = {};
    js.SlotGaugeTick[i] = 0;
    js.SlotRawPending[i] = 0;
    js.SlotOp[i] = kOpIdle;
    js.SlotBlockTotal[i] = 0;
    js.SlotKbIndex[i] = 0;
    js.SlotNgCount[i] = 0;
    js.SlotOkCount[i] = 0;
  }
  js.CommSlots = ports;
  js.GaugeSlots = gauges;
}
