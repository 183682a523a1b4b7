#pragma once
// Layout of the units' firmware image file (multi-byte values little-endian).
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace fwimage {

// "KV2xFmWr" with bit 7 of every byte set.
inline constexpr std::string_view kMagicText = "KV2xFmWr";
inline constexpr size_t kMagicOffset = 0;
inline constexpr size_t kMagicSize = 8;
inline constexpr size_t kUnsummedOffset = 8;  // two bytes neither read nor summed
inline constexpr size_t kVersionOffset = 10;
inline constexpr size_t kVersionSize = 22;
inline constexpr size_t kHeaderKeyOffset = 32;   // K
inline constexpr size_t kEndAddrOffset = 34;     // FwEndAddr ^ K
inline constexpr size_t kUnusedWord1Offset = 36;  // ^ K
inline constexpr size_t kUnusedWord2Offset = 38;  // ^ K
inline constexpr size_t kBodyLengthOffset = 40;  // FwBodyLength ^ K
inline constexpr size_t kSpareFieldOffset = 42;
inline constexpr size_t kSpareFieldSize = 64;
inline constexpr size_t kKeyTableOffset = 106;
inline constexpr size_t kKeyTableSize = 3240;
inline constexpr size_t kBodyOffset = 3346;
inline constexpr size_t kTrailerSize = 838;
inline constexpr size_t kSumSize = 4;

// Firmware addresses count 16-bit units; the first is always 0x2000, one
// block is 1024 address steps (2048 image bytes), and the image holds at most
// 0x8000 steps.
inline constexpr uint16_t kStartAddr = 0x2000;
inline constexpr uint32_t kBlockSteps = 1024;
inline constexpr uint32_t kBlockBytes = 2 * kBlockSteps;
inline constexpr uint32_t kMaxRangeSteps = 0x8000;

// The scrambled body is read in runs of 16 bytes.
constexpr size_t BodyFileLength(uint32_t bodyLength) { return (size_t{bodyLength} + 15) / 16 * 16; }

// Blocks of a range start..end (end exclusive).
constexpr uint32_t BlockCount(uint32_t start, uint32_t end) {
  return end <= start ? 0 : (end - start + kBlockSteps - 1) / kBlockSteps;
}

// Body bytes a range start..end (end exclusive) needs: two per address step.
constexpr size_t RangeBytes(uint32_t start, uint32_t end) { return end <= start ? 0 : 2 * size_t{end - start}; }

// Key bytes of body group g (4 bytes) from the image's key table area of
// 4096 bytes: bytes 0, 2 XOR k0 and 1, 3 XOR k1.
constexpr size_t GroupKeyIndex(size_t group) { return (4 * group) % 4096; }

}  // namespace fwimage
