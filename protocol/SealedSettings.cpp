#include "protocol/SealedSettings.h"

#include "protocol/JobState.h"

void SealSlotSettings(JobState& js, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  SealedSettings& s = js.SlotSettings[slot];
  s.ChipFamily = js.ChipFamily;
  s.ChipSubType = js.ChipSubType;
  s.ChipAddrMode = js.ChipAddrMode;
  s.I2CDevAddr = js.I2CDevAddr;
  s.ChipSize = js.ChipSize;
  s.PageSize = js.PageSize;
  s.ChipId1 = js.ChipId1;
  s.ChipId2 = js.ChipId2;
  s.EraseTime = js.EraseTime;
  s.ChipOptions = js.ChipOptions;
  s.ChipOpBytes = js.ChipOpBytes;
  s.ChipAuxByte2 = js.ChipAuxByte2;
  s.SelChipName = js.SelChipName;

  s.CtrlFlags = js.CtrlFlags;
  s.EepromProtect = js.EepromProtect;
  s.PageMode = js.PageMode;
  s.CtrlSpare = js.CtrlSpare;
  s.StepFlags = js.StepFlags;
  s.AutoDetect = js.AutoDetect;
  s.ClockCode = js.ClockCode;
  s.PowerTime = js.PowerTime;
  s.ChipInTime = js.ChipInTime;
  s.ChipOffTime = js.ChipOffTime;
  s.SNEnabled = js.SNEnabled;
  s.SNLength = js.SNLength;
  s.SNGain = js.SNGain;
  s.SNValue = js.SNValue;
  s.SNAddress = js.SNAddress;
  s.CountLimitOn = js.CountLimitOn;
  s.CountLimit = js.CountLimit;
  s.ShownChecksum = js.ShownChecksum;
  s.DeviceCount = js.DeviceCount;

  s.DataSizeKB = js.DataSizeKB;
  s.LargeImage = js.LargeImage;
  s.LargeDownload = js.LargeDownload;
  s.DataCRC16 = js.DataCRC16;
  s.DataSum16 = js.DataSum16;
  s.ChipSum32 = js.ChipSum32;
  s.DataFileName = js.DataFileName;

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
