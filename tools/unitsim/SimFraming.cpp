#include "SimFraming.h"

namespace unitsim {

uint16_t CheckValue(const uint8_t* data, size_t length, uint16_t start) {
  uint16_t crc = start;
  for (size_t i = 0; i < length; ++i) {
    uint16_t mix = (crc & 1) ? 0x4A12 : 0;
    crc = static_cast<uint16_t>((crc >> 1) ^ data[i] ^ mix);
  }
  return crc;
}

void AppendFrame(const std::vector<uint8_t>& packet, std::vector<uint8_t>& out, bool padded) {
  out.push_back(0xC0);
  for (uint8_t b : packet) {
    if (b == 0xC0) {
      out.push_back(0xDB);
      out.push_back(0xDC);
    } else if (b == 0xDB) {
      out.push_back(0xDB);
      out.push_back(0xDD);
    } else {
      out.push_back(b);
    }
  }
  out.push_back(0xC0);
  if (padded) out.insert(out.end(), 5, 0xFF);
}

std::vector<std::vector<uint8_t>> FrameReader::Feed(const uint8_t* data, size_t length) {
  std::vector<std::vector<uint8_t>> frames;
  for (size_t i = 0; i < length; ++i) {
    if (Push(data[i])) frames.push_back(TakeFrame());
  }
  return frames;
}

bool FrameReader::Push(uint8_t b) {
  bool complete = false;
  if (b == 0xC0) {
    if (!current_.empty() && !broken_ && !escape_) {
      done_ = std::move(current_);
      complete = true;
    }
    current_.clear();
    escape_ = broken_ = false;
  } else if (escape_) {
    escape_ = false;
    if (b == 0xDC) current_.push_back(0xC0);
    else if (b == 0xDD) current_.push_back(0xDB);
    else broken_ = true;
  } else if (b == 0xDB) {
    escape_ = true;
  } else if (current_.size() < 65536) {
    current_.push_back(b);
  } else {
    broken_ = true;  // far longer than any command
  }
  return complete;
}

void FrameReader::Reset() {
  current_.clear();
  escape_ = broken_ = false;
}

}  // namespace unitsim
