#pragma once
// Escaped frames around packets (the SLIP escapes of RFC 1055), the check of a
// decoded answer packet and the check of the unit's answer to the probe.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Result codes of decoding and checking.
inline constexpr uint8_t kFrameOk = 0x00;
inline constexpr uint8_t kFrameIncomplete = 0x20;
inline constexpr uint8_t kPacketCheckError = 0x23;
inline constexpr uint8_t kFrameMalformed = 0x2A;
inline constexpr int kNotProbeAnswer = 15;

inline constexpr uint8_t kFrameMark = 0xC0;
inline constexpr uint8_t kFrameEscape = 0xDB;
inline constexpr uint8_t kEscapedMark = 0xDC;
inline constexpr uint8_t kEscapedEscape = 0xDD;
// The 0xFF bytes behind every frame, so the line settles before the next one.
inline constexpr size_t kFramePadding = 5;
// Opening and closing mark plus the padding.
inline constexpr size_t kFrameOverhead = 2 + kFramePadding;

// Largest frame of a packet of `length` bytes (every byte escaped).
constexpr size_t MaxFrameLength(size_t length) { return 2 * length + kFrameOverhead; }

// Writes the frame of the `length` packet bytes into frame: 0xC0, the escaped
// packet, 0xC0 and five 0xFF. Returns the frame bytes written, or 0 (nothing
// written) when the frame would not fit frameCapacity.
size_t EncodeFrame(const uint8_t* packet, size_t length, uint8_t* frame, size_t frameCapacity);

// Takes the first frame out of source (sourceLength bytes) and unescapes it
// into packet, which holds packetCapacity bytes. The consumed bytes are removed
// from the front of source and sourceLength reduced.
//   kFrameOk: packetLength is set.
//   kFrameIncomplete: no closing mark yet; nothing changes.
//   kFrameMalformed: a bad escape (consumed up to the offending byte), a
//     packet shorter than 8 bytes (frame consumed), or a frame longer than
//     packetCapacity (consumed up to its closing mark, or all bytes when none
//     is there yet; packetLength 0). Never writes past packetCapacity.
uint8_t DecodeFrame(uint8_t* source, uint8_t* packet, size_t packetCapacity,
                    size_t& packetLength, size_t& sourceLength);

// DecodeFrame of the first frame in `frame` (a frame as the receive cycle
// cut it, both marks included) into packet, whose size is its capacity; the
// frame's bytes stay as they are.
uint8_t DecodeCutFrame(std::span<const uint8_t> frame, std::span<uint8_t> packet, size_t& packetLength);

// Verifies a decoded packet: kPacketCheckError on a check value mismatch (or
// a packet too short to hold header and check value), 0 when the payload is
// longer than 2 bytes, else the status byte (byte 8).
uint8_t CheckPacket(const uint8_t* packet, size_t length);

// Checks a decoded probe answer: header 0xA3 0xA5 0x35 and a non-zero count n
// at byte 3, else kNotProbeAnswer. The unit's name is the n + 1 bytes from
// offset on, ending at the first byte below 0x20 or from 0x80 on (and at the
// end of answer), at most 255 characters; it is returned in unitName. The
// result compares that name with expected over the length of expected:
// 0 when the name begins with expected, otherwise the sign of the first
// difference (a shorter name sorts lower). expected is never written.
int CheckProbeAnswer(std::span<const uint8_t> answer, std::string_view expected, size_t offset,
                     std::string& unitName);
