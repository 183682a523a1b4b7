#pragma once
// The fields that most command packets share: the 48-byte chip-parameter
// block and fixed-width text fields.
#include <cstddef>
#include <cstdint>
#include <string_view>

struct JobState;
struct SealedSettings;
class FillerRandom;

inline constexpr size_t kChipParamBlockSize = 48;
inline constexpr size_t kPacketHeaderSize = 8;

// Fills a chip-parameter block at `block` from a slot's sealed chip
// parameters and control settings. The filler values come from `filler`:
// three bytes 0..254 (block offsets 6, 10, 11), or with wideFiller one byte at
// offset 6 and one 16-bit value 0..65534 at offsets 10-11.
void FillChipParamBlock(const SealedSettings& settings, FillerRandom& filler, uint8_t* block,
                        bool wideFiller);

// The block at packet byte 8 of the slot's packet area, from the slot's
// sealed settings.
void BuildChipParamBlock(JobState& js, int slot);

// A text field of `width` bytes at packet byte `offset` of the slot's packet
// area: the text up to its first zero character in the legacy code page, cut
// to the width at a whole character, then zero bytes; an empty text is
// written as "?".
void PutPacketString(JobState& js, std::string_view text, size_t offset, size_t width, int slot);
