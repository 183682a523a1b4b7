#pragma once
// The online serial number: written into the image before Auto and Program,
// advanced after each chip a unit has verified.
#include <cstddef>
#include <cstdint>
#include <string>

struct JobState;

// Writes the four bytes of SNValue to DataBuffer from SNAddress on, most
// significant first when bigEndian. When the four bytes do not all lie
// inside DataBuffer (serial numbers off give the address 0xFFFFFFFF), nothing
// is written and a log line names the address: false.
bool WriteSerialNumber(JobState& js, bool bigEndian);

// Program and Auto send DataBuffer from address 0 for DataEnd - DataStart + 1
// bytes. With serial numbers on (SNEnabled), the box text that refuses such
// a command when the four bytes at SNAddress do not all lie inside that
// range, so that the chip would get no serial number or part of one; it
// tells whether another address or "User Chip Size" mends it. Empty when the
// number goes out with the image, and when serial numbers are off.
std::string OnlineSNRangeRefusal(const JobState& js);

// Writes SNValue into the image in the byte order the settings chose
// (WriteSerialNumber), shows the four bytes in the data view and the
// checksums of the changed image. The first number of an online run.
void InsertOnlineSerialNumber(JobState& js);

// The fixed S/N dialog's `length` bytes at `address`: the box text that
// refuses them when they do not all lie inside the chosen chip (address +
// length beyond ChipSizeCopy), as the bytes past its end would never be
// programmed; with no chip chosen yet, when they do not fit the data buffer.
// Empty when they may be written.
std::string FixedSNRangeRefusal(const JobState& js, uint32_t address, size_t length);
