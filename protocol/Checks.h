#pragma once
// Check values of the protocol and of the data range: the packet check value,
// the negated 16-bit sum, the 32-bit byte sum ("ACC32") and CRC-32.
//
// Ranges are inclusive byte offsets start..end into buffer; the caller's
// buffer must hold byte end whenever end >= start.
#include <cstdint>

// The protocol's own 16-bit check value (not a published CRC). 0 when
// start > 0xFFFFFF or end < start. "abc" gives 0x2543.
uint16_t PacketCRC16(const uint8_t* buffer, uint32_t start, uint32_t end);

// The packet check value is linear in the data: each byte at position j of
// an n-byte range adds M^(n-1-j) of its value, M being one step of the
// register. This is M^steps(value), so a few changed bytes can be folded
// into a known check value without reading the range again.
uint16_t PacketCRC16Advance(uint16_t value, uint64_t steps);

// Two's complement of the 16-bit byte sum; 0 for start > 0xFFFFFF or end < start.
uint16_t ChecksumNeg16(const uint8_t* buffer, uint32_t start, uint32_t end);

// Sum of the bytes modulo 2^32; 0 for end < start.
uint32_t ByteSum32(const uint8_t* buffer, uint32_t start, uint32_t end);

// The standard CRC-32 (check value 0xCBF43926 for "123456789"); 0 for end < start.
uint32_t CRC32Block(const uint8_t* buffer, uint32_t start, uint32_t end);

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
