#pragma once
// The unit's side of the line: escaped frames and the packet check value,
// written here on their own so that the simulator checks the host's framing
// rather than sharing its code.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace unitsim {

// The protocol's 16-bit check value over bytes [0, length); `start` carries
// on a value over bytes that came before.
uint16_t CheckValue(const uint8_t* data, size_t length, uint16_t start = 0);

// Appends 0xC0, the escaped bytes, 0xC0 and, when padded, five 0xFF to out.
void AppendFrame(const std::vector<uint8_t>& packet, std::vector<uint8_t>& out, bool padded = true);

// Cuts frames out of a byte stream: every 0xC0 ends what came before it.
class FrameReader {
 public:
  // Feeds bytes; returns the unescaped content of every frame they complete
  // (empty frames are dropped; a bad escape makes the frame empty).
  std::vector<std::vector<uint8_t>> Feed(const uint8_t* data, size_t length);

  // Takes one byte; true when it completed a frame, which TakeFrame() hands out.
  bool Push(uint8_t b);
  std::vector<uint8_t> TakeFrame() { return std::move(done_); }
  // Forgets a frame in progress (the line carried raw data meanwhile).
  void Reset();

 private:
  std::vector<uint8_t> current_;
  std::vector<uint8_t> done_;
  bool escape_ = false;
  bool broken_ = false;
};

}  // namespace unitsim
