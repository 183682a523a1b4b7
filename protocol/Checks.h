#pragma once
// Check values of the protocol and of the data range: the packet check value,
// the sequence report's byte sum, the negated 16-bit sum, the 32-bit byte sum
// ("ACC32") and CRC-32.
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

// A sequence report carries no packet check value: it is sound when its
// bytes 0..7 add up to 0 modulo 256. `report` holds at least 8 bytes.
bool SequenceReportSumIsZero(const uint8_t* report);

// Two's complement of the 16-bit byte sum; 0 for start > 0xFFFFFF or end < start.
uint16_t ChecksumNeg16(const uint8_t* buffer, uint32_t start, uint32_t end);

// Sum of the bytes modulo 2^32; 0 for end < start.
uint32_t ByteSum32(const uint8_t* buffer, uint32_t start, uint32_t end);

// The standard CRC-32 (check value 0xCBF43926 for "123456789"); 0 for end < start.
uint32_t CRC32Block(const uint8_t* buffer, uint32_t start, uint32_t end);
