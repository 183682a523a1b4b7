#include "protocol/Checks.h"

#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstring>

namespace {

constexpr uint32_t kStartLimit = 0xFFFFFF;
constexpr uint16_t kPacketPoly = 0x4A12;

// One bit step of the packet check value without the data byte. The step is
// linear over GF(2), so eight bytes can be folded in at once from tables:
// crc' = M^8(crc) ^ M^7(b0) ^ ... ^ M^1(b6) ^ b7.
constexpr uint16_t StepM(uint16_t c) {
  return static_cast<uint16_t>((c >> 1) ^ ((c & 1) ? kPacketPoly : 0));
}

constexpr uint16_t StepMk(uint16_t c, int k) {
  for (int i = 0; i < k; ++i) c = StepM(c);
  return c;
}

struct Crc16Tables {
  // byteTab[k][v] = M^k(v) for a data byte v, k = 0..8.
  std::array<std::array<uint16_t, 256>, 9> byteTab{};
  // M^8 of the register's high byte.
  std::array<uint16_t, 256> highTab{};
};

constexpr Crc16Tables MakeCrc16Tables() {
  Crc16Tables t{};
  for (int v = 0; v < 256; ++v) {
    for (int k = 0; k <= 8; ++k) t.byteTab[k][v] = StepMk(static_cast<uint16_t>(v), k);
    t.highTab[v] = StepMk(static_cast<uint16_t>(v << 8), 8);
  }
  return t;
}

constexpr Crc16Tables kCrc16 = MakeCrc16Tables();

uint16_t PacketCRC16Run(const uint8_t* p, size_t n) {
  const auto& T = kCrc16.byteTab;
  uint32_t crc = 0;
  while (n >= 8) {
    crc = kCrc16.highTab[crc >> 8] ^ T[8][crc & 0xFF] ^ T[7][p[0]] ^ T[6][p[1]] ^ T[5][p[2]] ^
          T[4][p[3]] ^ T[3][p[4]] ^ T[2][p[5]] ^ T[1][p[6]] ^ p[7];
    p += 8;
    n -= 8;
  }
  while (n--) crc = StepM(static_cast<uint16_t>(crc)) ^ *p++;
  return static_cast<uint16_t>(crc);
}

// Sum of bytes, eight at a time: the bytes of each word are added in 16-bit
// lanes, which hold 128 words before they could overflow.
uint32_t ByteSumRun(const uint8_t* p, size_t n) {
  constexpr uint64_t kLaneMask = 0x00FF00FF00FF00FFull;
  uint64_t total = 0;
  while (n >= 8) {
    size_t words = n / 8 < 128 ? n / 8 : 128;
    uint64_t lanesA = 0, lanesB = 0;
    for (size_t i = 0; i < words; ++i) {
      uint64_t w;
      std::memcpy(&w, p + 8 * i, 8);
      lanesA += w & kLaneMask;
      lanesB += (w >> 8) & kLaneMask;
    }
    uint64_t lanes = lanesA + lanesB;  // 128 * 2 * 255 < 65536 per lane
    total += (lanes & 0xFFFF) + ((lanes >> 16) & 0xFFFF) + ((lanes >> 32) & 0xFFFF) + (lanes >> 48);
    p += 8 * words;
    n -= 8 * words;
  }
  while (n--) total += *p++;
  return static_cast<uint32_t>(total);
}

size_t RangeLength(uint32_t start, uint32_t end) { return size_t{end} - start + 1; }

// The bit step M as a 16 x 16 matrix over GF(2): column i is M of bit i.
using Crc16Matrix = std::array<uint16_t, 16>;

uint16_t Apply(const Crc16Matrix& m, uint16_t v) {
  uint16_t out = 0;
  for (int i = 0; v != 0; ++i, v >>= 1)
    if (v & 1) out ^= m[i];
  return out;
}

Crc16Matrix Square(const Crc16Matrix& m) {
  Crc16Matrix out{};
  for (int i = 0; i < 16; ++i) out[i] = Apply(m, m[i]);
  return out;
}

}  // namespace

uint16_t PacketCRC16(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (start > kStartLimit || end < start) return 0;
  return PacketCRC16Run(buffer + start, RangeLength(start, end));
}

uint16_t PacketCRC16Advance(uint16_t value, uint64_t steps) {
  Crc16Matrix power{};
  for (int i = 0; i < 16; ++i) power[i] = StepM(static_cast<uint16_t>(1u << i));
  for (; steps != 0; steps >>= 1) {
    if (steps & 1) value = Apply(power, value);
    power = Square(power);
  }
  return value;
}

uint16_t ChecksumNeg16(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (start > kStartLimit || end < start) return 0;
  uint32_t s = ByteSumRun(buffer + start, RangeLength(start, end)) & 0xFFFF;
  return static_cast<uint16_t>((0x10000 - s) & 0xFFFF);
}

uint32_t ByteSum32(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (end < start) return 0;
  return ByteSumRun(buffer + start, RangeLength(start, end));
}

uint32_t CRC32Block(const uint8_t* buffer, uint32_t start, uint32_t end) {
  if (end < start) return 0;
  // zlib's CRC-32 is this same standard CRC, computed with its fast method.
  return static_cast<uint32_t>(crc32_z(0, buffer + start, RangeLength(start, end)));
}

bool SequenceReportSumIsZero(const uint8_t* report) {
  uint8_t sum = 0;
  for (int i = 0; i < 8; ++i) sum = static_cast<uint8_t>(sum + report[i]);
  return sum == 0;
}
