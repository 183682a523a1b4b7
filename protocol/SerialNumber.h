#pragma once
// The online serial number: written into the image before Auto and Program,
// advanced after each chip a unit has verified.
#include <cstdint>

struct JobState;

// Writes the four bytes of SNValue to DataBuffer from SNAddress on, most
// significant first when bigEndian. When the four bytes do not all lie
// inside DataBuffer (serial numbers off give the address 0xFFFFFFFF), nothing
// is written and a log line names the address: false.
bool WriteSerialNumber(JobState& js, bool bigEndian);

// The number after a good chip: value + gain, the gain taken as an unsigned
// 16-bit value, the sum modulo 2^32.
uint32_t NextSerialNumber(uint32_t value, int32_t gain);
