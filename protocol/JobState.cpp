#include "protocol/JobState.h"

#include <cstdlib>
#include <cstring>
#include <new>

void DataBufferDeleter::operator()(uint8_t* p) const { std::free(p); }

JobState::JobState() {
  // calloc: the buffer starts at zero like the rest, and its pages are only
  // touched when InitChipParams fills it.
  auto* p = static_cast<uint8_t*>(std::calloc(kDataBufferSize, 1));
  if (p == nullptr) throw std::bad_alloc();
  DataBuffer.reset(p);
}

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
    js.SlotAutoMode[i] = 0;
    js.SlotBusy[i] = 0;
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
