#include "protocol/ChipParamBlock.h"

#include <algorithm>
#include <cstring>

#include "protocol/JobState.h"
#include "protocol/LegacyText.h"
#include "protocol/PacketBytes.h"

void FillChipParamBlock(const SealedSettings& js, FillerRandom& filler, uint8_t* b, bool wideFiller) {
  b[0] = 0;
  b[1] = js.ChipOptions;
  b[2] = js.ChipAddrMode;
  b[3] = 0x20;
  b[4] = js.ChipFamily;
  b[5] = js.ChipSubType;
  b[6] = static_cast<uint8_t>(filler.Next(255));
  b[7] = js.AutoDetect;
  PutLE16(b + 8, js.PageSize);
  if (wideFiller) {
    PutLE16(b + 10, filler.Next(65535));
  } else {
    b[10] = static_cast<uint8_t>(filler.Next(255));
    b[11] = static_cast<uint8_t>(filler.Next(255));
  }
  b[12] = js.PageMode;
  b[13] = js.CtrlSpare;
  PutLE16(b + 14, js.EraseTime);
  PutLE32(b + 16, js.ChipSize);
  PutLE16(b + 20, js.DataSizeKB);
  b[22] = js.I2CDevAddr;
  b[23] = js.StepFlags;
  b[24] = js.CtrlFlags;
  b[25] = js.ClockCode;
  PutLE16(b + 26, js.DataCRC16);
  PutLE16(b + 28, js.DataSum16);
  b[30] = js.ChipId1;
  b[31] = js.ChipId2;
  std::copy(js.ChipOpBytes.begin(), js.ChipOpBytes.end(), b + 32);
  b[40] = js.EepromProtect;
  b[41] = js.ChipAuxByte2;
  b[42] = 0;
  b[43] = 0;
  PutLE32(b + 44, js.ChipSum32);
}

void BuildChipParamBlock(JobState& js, int slot) {
  FillChipParamBlock(js.SlotSettings[slot], js.Filler, js.TxPacket[slot].data() + kPacketHeaderSize, false);
}

void PutPacketString(JobState& js, std::string_view text, size_t offset, size_t width, int slot) {
  auto& packet = js.TxPacket[slot];
  if (offset >= packet.size()) return;
  width = std::min(width, packet.size() - offset);
  // The units take the legacy code page; a cut never splits a character.
  const std::string legacy = ToLegacyText(text.substr(0, text.find('\0')), width);
  const std::string_view bytes = legacy.empty() ? std::string_view("?") : std::string_view(legacy);
  size_t n = std::min(bytes.size(), width);
  uint8_t* field = packet.data() + offset;
  std::memcpy(field, bytes.data(), n);
  std::memset(field + n, 0, width - n);
}
