#pragma once
// What a unit answers, as packets and as the escaped frames on its line.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "protocol/Checks.h"
#include "protocol/Frames.h"
#include "protocol/PacketBytes.h"

// An answer packet: header with command and payload length, the payload,
// then the check value (wrong when badCheck).
inline std::vector<uint8_t> AnswerPacket(uint8_t command, const std::vector<uint8_t>& payload,
                                         bool badCheck = false) {
  std::vector<uint8_t> p(8 + payload.size(), 0);
  p[0] = command;
  PutLE16(p.data() + 6, static_cast<uint32_t>(payload.size()));
  std::copy(payload.begin(), payload.end(), p.begin() + 8);
  uint16_t crc = PacketCRC16(p.data(), 0, static_cast<uint32_t>(p.size() - 1));
  if (badCheck) crc ^= 0x5A5A;
  p.push_back(static_cast<uint8_t>(crc));
  p.push_back(static_cast<uint8_t>(crc >> 8));
  return p;
}

// The short answer of a command: its status and one spare byte.
inline std::vector<uint8_t> StatusPayload(uint8_t status) { return {status, 0}; }

inline std::vector<uint8_t> FrameOf(const std::vector<uint8_t>& packet) {
  std::vector<uint8_t> frame(MaxFrameLength(packet.size()));
  frame.resize(EncodeFrame(packet.data(), packet.size(), frame.data(), frame.size()));
  return frame;
}
