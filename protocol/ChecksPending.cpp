// Stand-in check values until the protocol's own land; removed at the merge.
#include <array>

#include "protocol/Checks.h"

uint16_t PacketCRC16(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (start > 0xFFFFFF || end < start) return 0;
  uint16_t crc = 0;
  for (uint64_t i = start; i <= end; ++i) {
    bool low = crc & 1;
    crc = static_cast<uint16_t>((crc >> 1) ^ buffer[i] ^ (low ? 0x4A12 : 0));
  }
  return crc;
}

uint16_t ChecksumNeg16(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (start > 0xFFFFFF || end < start) return 0;
  uint16_t s = 0;
  for (uint64_t i = start; i <= end; ++i) s = static_cast<uint16_t>(s + buffer[i]);
  return static_cast<uint16_t>(-s);
}

uint32_t ByteSum32(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (end < start) return 0;
  uint32_t s = 0;
  for (uint64_t i = start; i <= end; ++i) s += buffer[i];
  return s;
}

uint32_t CRC32Block(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (end < start) return 0;
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t n = 0; n < 256; ++n) {
      uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (uint64_t i = start; i <= end; ++i) crc = table[(crc ^ buffer[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}
