#include "protocol/Frames.h"

#include <algorithm>
#include <cstring>

#include "protocol/Checks.h"
#include "protocol/CommandCodes.h"

size_t EncodeFrame(const uint8_t* packet, size_t length, uint8_t* frame, size_t frameCapacity) {
  if (frameCapacity < MaxFrameLength(length)) {
    size_t escaped = 0;
    for (size_t i = 0; i < length; ++i) {
      escaped += packet[i] == kFrameMark || packet[i] == kFrameEscape;
    }
    if (length + escaped + kFrameOverhead > frameCapacity) return 0;
  }
  size_t k = 0;
  frame[k++] = kFrameMark;
  for (size_t i = 0; i < length; ++i) {
    uint8_t b = packet[i];
    if (b == kFrameMark) {
      frame[k++] = kFrameEscape;
      frame[k++] = kEscapedMark;
    } else if (b == kFrameEscape) {
      frame[k++] = kFrameEscape;
      frame[k++] = kEscapedEscape;
    } else {
      frame[k++] = b;
    }
  }
  frame[k++] = kFrameMark;
  std::memset(frame + k, 0xFF, kFramePadding);
  return k + kFramePadding;
}

namespace {

// Drops the first `consumed` bytes of source.
void Consume(uint8_t* source, size_t& sourceLength, size_t consumed) {
  if (consumed < sourceLength) {
    std::memmove(source, source + consumed, sourceLength - consumed);
    sourceLength -= consumed;
  } else {
    sourceLength = 0;
  }
}

}  // namespace

namespace {

// How far the unescaping of the first frame in source got.
struct Unescaped {
  size_t pos = 0;  // the closing mark, the offending byte, or the end
  size_t out = 0;  // packet bytes written
  bool closed = false;
  bool overflow = false;
  bool badEscape = false;
};

Unescaped Unescape(const uint8_t* source, size_t n, uint8_t* packet, size_t packetCapacity) {
  Unescaped u;
  size_t& pos = u.pos;
  while (pos < n && source[pos] != kFrameMark) ++pos;
  if (pos < n) {
    ++pos;
    if (pos < n && source[pos] == kFrameMark) ++pos;  // a doubled opening mark counts once
  }
  bool escape = false;
  for (; pos < n; ++pos) {
    uint8_t b = source[pos];
    if (b == kFrameMark) {
      u.closed = true;
      break;
    }
    if (u.overflow) continue;  // too long: skip to the closing mark
    if (escape) {
      if (b == kEscapedMark) {
        b = kFrameMark;
      } else if (b == kEscapedEscape) {
        b = kFrameEscape;
      } else {
        u.badEscape = true;
        break;
      }
      escape = false;
    } else if (b == kFrameEscape) {
      escape = true;
      continue;
    }
    if (u.out == packetCapacity) {
      u.overflow = true;
      continue;
    }
    packet[u.out++] = b;
  }
  return u;
}

// The result of an unescaping; packetLength set as DecodeFrame sets it.
uint8_t Outcome(const Unescaped& u, size_t& packetLength) {
  if (u.badEscape || u.overflow) {
    packetLength = 0;
    return kFrameMalformed;
  }
  if (!u.closed) return kFrameIncomplete;
  packetLength = u.out;
  return u.out < 8 ? kFrameMalformed : kFrameOk;
}

}  // namespace

uint8_t DecodeFrame(uint8_t* source, uint8_t* packet, size_t packetCapacity,
                    size_t& packetLength, size_t& sourceLength) {
  const size_t n = sourceLength;
  const Unescaped u = Unescape(source, n, packet, packetCapacity);
  const uint8_t result = Outcome(u, packetLength);
  if (u.badEscape) {
    Consume(source, sourceLength, u.pos + 1);
  } else if (u.overflow) {
    // A frame longer than the packet area never decodes: drop it whole.
    Consume(source, sourceLength, u.closed ? u.pos + 1 : n);
  } else if (u.closed) {
    Consume(source, sourceLength, u.pos + 1);
  }
  return result;
}

uint8_t DecodeCutFrame(std::span<const uint8_t> frame, std::span<uint8_t> packet, size_t& packetLength) {
  return Outcome(Unescape(frame.data(), frame.size(), packet.data(), packet.size()), packetLength);
}

uint8_t CheckPacket(const uint8_t* packet, size_t length) {
  if (length < 10) return kPacketCheckError;
  uint16_t computed = PacketCRC16(packet, 0, static_cast<uint32_t>(length - 3));
  uint16_t stored = static_cast<uint16_t>(packet[length - 2] | packet[length - 1] << 8);
  if (computed != stored) return kPacketCheckError;
  uint16_t payloadLength = static_cast<uint16_t>(packet[6] | packet[7] << 8);
  return payloadLength > 2 ? 0 : packet[8];
}

int CheckProbeAnswer(std::span<const uint8_t> answer, std::string_view expected, size_t offset,
                     std::string& unitName) {
  if (answer.size() < 4 || !std::equal(kProbeHeader.begin(), kProbeHeader.end(), answer.begin()) ||
      answer[3] == 0) {
    return kNotProbeAnswer;
  }
  constexpr size_t kMaxName = 255;
  const size_t count = size_t{answer[3]} + 1;
  std::string name;
  for (size_t i = 0; i < count && name.size() < kMaxName; ++i) {
    size_t at = offset + i;
    if (at >= answer.size()) break;
    uint8_t c = answer[at];
    if (c < 0x20 || c >= 0x80) break;
    name.push_back(static_cast<char>(c));
  }
  unitName = name;

  for (size_t i = 0; i < expected.size(); ++i) {
    unsigned char a = i < name.size() ? static_cast<unsigned char>(name[i]) : 0;
    unsigned char e = static_cast<unsigned char>(expected[i]);
    if (a != e) return a < e ? -1 : 1;
  }
  return 0;
}
