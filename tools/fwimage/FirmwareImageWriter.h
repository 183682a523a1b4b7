#pragma once
// Writes a firmware image file that the program's image loader accepts: the
// header, a key table, the body scrambled with it, trailer and sum.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The body is the firmware as the unit's blocks carry it (two bytes per
// address step, in groups of four of which the unit takes three); it is
// padded with 0xFF to whole 2,048-byte blocks and the image's range is set to
// cover exactly those blocks from address 0x2000. The version text (at most
// 22 characters) is what units are compared against. The header key also
// seeds the key table, so the same input always gives the same file.
// Returns the file's bytes, or nothing with `error` set.
std::vector<uint8_t> BuildFirmwareImage(std::span<const uint8_t> body, std::string_view version,
                                        uint16_t headerKey, std::string& error);

// The largest body that fits an image file (whole blocks).
size_t MaxFirmwareBodyLength();
