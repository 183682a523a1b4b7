#pragma once
// The unit's side of the line: escaped frames and the packet check value,
// written here on their own so that the simulator checks the host's framing
// rather than sharing its code.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace unitsim {

// The protocol's 16-bit check value over bytes [0, length).
uint16_t CheckValue(const uint8_t* data, size_t length);

// Appends 0xC0, the escaped bytes, 0xC0 and five 0xFF to out.
void AppendFrame(const std::vector<uint8_t>& packet, std::vector<uint8_t>& out);

// Cuts frames out of a byte stream: every 0xC0 ends what came before it.
class FrameReader {
 public:
  // Feeds bytes; returns the unescaped content of every frame they complete
  // (empty frames are dropped; a bad escape makes the frame empty).
  std::vector<std::vector<uint8_t>> Feed(const uint8_t* data, size_t length);

 private:
  std::vector<uint8_t> current_;
  bool escape_ = false;
  bool broken_ = false;
};

}  // namespace unitsim
