#pragma once
// The filler values of packets and project files come from one pseudo-random
// sequence with a fixed seed, so every program start produces the same bytes.
#include <cstdint>

class FillerRandom {
 public:
  // A value in 0 .. range-1 (0 for a range of 0).
  uint32_t Next(uint32_t range) {
    // 32-bit linear congruential step; the sequence only has to be fixed.
    state_ = state_ * 134775813u + 1u;
    return range == 0 ? 0 : static_cast<uint32_t>((static_cast<uint64_t>(state_) * range) >> 32);
  }

 private:
  uint32_t state_ = 0x4B565A51u;
};
