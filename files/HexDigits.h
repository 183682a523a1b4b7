#pragma once
// Hex digits of the text data files.
#include <array>
#include <cstdint>

// The strict digit table the readers use: 0..15 for 0-9, A-F, a-f and
// kNotHex for every other character, so a bad digit shows in the high bits.
inline constexpr uint8_t kNotHex = 0xF0;

inline constexpr std::array<uint8_t, 256> kHexValue = [] {
  std::array<uint8_t, 256> t{};
  t.fill(kNotHex);
  for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<uint8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[c] = static_cast<uint8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) t[c] = static_cast<uint8_t>(c - 'a' + 10);
  return t;
}();

inline uint8_t StrictHexValue(char c) { return kHexValue[static_cast<unsigned char>(c)]; }
