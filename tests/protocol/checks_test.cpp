#include <gtest/gtest.h>
#include <zlib.h>

#include <array>
#include <cstring>
#include <random>
#include <vector>

#include "protocol/Checks.h"

namespace {

// Plain, byte-at-a-time forms of the check values, written straight from
// their definitions, to hold the fast ones against.
uint16_t PlainPacketCRC16(const uint8_t* p, uint32_t start, uint32_t end) {
  if (start > 0xFFFFFF || end < start) return 0;
  uint16_t crc = 0;
  for (uint64_t i = start; i <= end; ++i) {
    bool low = crc & 1;
    crc = static_cast<uint16_t>((crc >> 1) ^ p[i] ^ (low ? 0x4A12 : 0));
  }
  return crc;
}

uint32_t PlainSum(const uint8_t* p, uint32_t start, uint32_t end) {
  uint32_t s = 0;
  for (uint64_t i = start; i <= end && end >= start; ++i) s += p[i];
  return s;
}

// Bit order reversed: bit 0 becomes bit 7 (bit 31).
constexpr uint8_t ReflectByte(uint8_t b) {
  b = static_cast<uint8_t>((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = static_cast<uint8_t>((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return static_cast<uint8_t>((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

constexpr uint32_t Reflect32(uint32_t x) {
  x = (x & 0xFFFF0000u) >> 16 | (x & 0x0000FFFFu) << 16;
  x = (x & 0xFF00FF00u) >> 8 | (x & 0x00FF00FFu) << 8;
  x = (x & 0xF0F0F0F0u) >> 4 | (x & 0x0F0F0F0Fu) << 4;
  x = (x & 0xCCCCCCCCu) >> 2 | (x & 0x33333333u) << 2;
  return (x & 0xAAAAAAAAu) >> 1 | (x & 0x55555555u) << 1;
}

// CRC-32 the long way: the most-significant-bit-first table of the
// polynomial, with the input bytes and the result reflected.
uint32_t MsbFirstCRC32(const uint8_t* p, uint32_t start, uint32_t end) {
  if (end < start) return 0;
  static const auto table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i << 24;
      for (int k = 0; k < 8; ++k) c = (c & 0x80000000u) ? (c << 1) ^ 0x04C11DB7u : c << 1;
      t[i] = c;
    }
    return t;
  }();
  uint32_t crc = 0xFFFFFFFFu;
  for (uint64_t i = start; i <= end; ++i) crc = (crc << 8) ^ table[ReflectByte(p[i]) ^ (crc >> 24)];
  return ~Reflect32(crc);
}

const uint8_t* Bytes(const char* text) { return reinterpret_cast<const uint8_t*>(text); }

}  // namespace

TEST(Checks, KnownValues) {
  EXPECT_EQ(CRC32Block(Bytes("123456789"), 0, 8), 0xCBF43926u);
  EXPECT_EQ(PacketCRC16(Bytes("abc"), 0, 2), 0x2543);
  const uint8_t three[] = {1, 2, 3};
  EXPECT_EQ(ChecksumNeg16(three, 0, 2), 0xFFFA);
  EXPECT_EQ(ByteSum32(three, 0, 2), 6u);
  const uint8_t zero[] = {0, 0};
  EXPECT_EQ(ChecksumNeg16(zero, 0, 1), 0);  // 65536 - 0 wraps to 0
}

TEST(Checks, EmptyAndOutOfRangeRangesGiveZero) {
  std::vector<uint8_t> buf(0x1000010, 0x5A);
  const uint8_t* p = buf.data();
  struct Case {
    uint32_t start, end;
  };
  for (Case c : {Case{5, 4}, Case{1, 0}, Case{0x1000000, 0x1000008}}) {
    SCOPED_TRACE(testing::Message() << c.start << ".." << c.end);
    EXPECT_EQ(PacketCRC16(p, c.start, c.end), 0);
    EXPECT_EQ(ChecksumNeg16(p, c.start, c.end), 0);
  }
  EXPECT_EQ(ByteSum32(p, 5, 4), 0u);
  EXPECT_EQ(CRC32Block(p, 5, 4), 0u);
  // Only the start is limited: a range from 0xFFFFFF may run on past 16 MB,
  // and the sums have no limit at all.
  EXPECT_EQ(PacketCRC16(p, 0xFFFFFF, 0x100000F), PlainPacketCRC16(p, 0xFFFFFF, 0x100000F));
  EXPECT_NE(PacketCRC16(p, 0xFFFFFF, 0x100000F), 0);
  EXPECT_EQ(ByteSum32(p, 0x1000000, 0x1000008), 9u * 0x5A);
  EXPECT_EQ(CRC32Block(p, 0x1000000, 0x1000008), MsbFirstCRC32(p, 0x1000000, 0x1000008));
}

TEST(Checks, FastFormsMatchThePlainOnesOnRandomRanges) {
  std::mt19937 rng(12345);
  std::vector<uint8_t> buf(70001);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  std::uniform_int_distribution<uint32_t> startDist(0, 257), lenDist(0, 69000);
  for (int round = 0; round < 200; ++round) {
    uint32_t start = startDist(rng) | 1;  // odd offsets: no alignment to lean on
    uint32_t len = round < 40 ? static_cast<uint32_t>(round) : lenDist(rng) | 1;
    if (len == 0) continue;
    uint32_t end = start + len - 1;
    SCOPED_TRACE(testing::Message() << "start " << start << " length " << len);
    const uint8_t* p = buf.data();
    EXPECT_EQ(CRC32Block(p, start, end), static_cast<uint32_t>(crc32(0, p + start, len)));
    EXPECT_EQ(PacketCRC16(p, start, end), PlainPacketCRC16(p, start, end));
    EXPECT_EQ(ByteSum32(p, start, end), PlainSum(p, start, end));
    EXPECT_EQ(ChecksumNeg16(p, start, end), static_cast<uint16_t>(0x10000 - (PlainSum(p, start, end) & 0xFFFF)));
  }
}

TEST(Checks, CRC32EqualsTheMsbFirstTableMethod) {
  std::mt19937 rng(7);
  std::vector<uint8_t> buf(4099);
  for (auto& b : buf) b = static_cast<uint8_t>(rng());
  for (uint32_t end : {0u, 1u, 7u, 63u, 4098u}) {
    EXPECT_EQ(CRC32Block(buf.data(), 0, end), MsbFirstCRC32(buf.data(), 0, end)) << end;
  }
}

TEST(Checks, ByteSumWrapsModulo32Bits) {
  // 0xFF bytes: the 16-bit lanes of the fast sum are filled to their limit.
  std::vector<uint8_t> buf(17 * 1024 * 1024 + 3, 0xFF);  // over 2^32 / 255 bytes
  uint32_t end = static_cast<uint32_t>(buf.size() - 1);
  EXPECT_EQ(ByteSum32(buf.data(), 0, end), static_cast<uint32_t>(buf.size() * 255ull));
  EXPECT_EQ(ByteSum32(buf.data(), 1, end), static_cast<uint32_t>((buf.size() - 1) * 255ull));
}

TEST(Checks, Reflect) {
  EXPECT_EQ(ReflectByte(0x01), 0x80);
  EXPECT_EQ(ReflectByte(0xC4), 0x23);
  EXPECT_EQ(Reflect32(0x00000001u), 0x80000000u);
  EXPECT_EQ(Reflect32(0x12345678u), 0x1E6A2C48u);
}
