#include "protocol/SealedSettings.h"

#include "protocol/JobState.h"

void SealSlotSettings(JobState& js, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  SealedSettings& s = js.SlotSettings[slot];
  static_cast<PacketSettings&>(s) = js;
  s.SerialOverlay = false;
  s.SerialBigEndian = false;
  s.SerialAddress = 0;
  s.SerialNumber = 0;
}

void OverlaySerialNumber(const SealedSettings& s, uint64_t offset, uint8_t* data, size_t length) {
  if (!s.SerialOverlay) return;
  for (uint32_t i = 0; i < 4; ++i) {
    const uint64_t at = uint64_t{s.SerialAddress} + i;
    if (at < offset || at >= offset + length) continue;
    const uint32_t shift = 8 * (s.SerialBigEndian ? 3 - i : i);
    data[at - offset] = static_cast<uint8_t>(s.SerialNumber >> shift);
  }
}
