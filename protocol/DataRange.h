#pragma once
// The data range of the image in DataBuffer: its announcement in the log,
// the trimming of trailing erased bytes, the checksums with the status bar,
// the read-back result and the compaction of 528-byte-page images.
//
// Every range is kept inside DataBuffer, whatever the job state holds.
#include <cstdint>

#include "protocol/CommandCodes.h"

struct JobState;

// The chip classes (SPI NOR flash) whose range is trimmed to the data held,
// unless UserChipSize is set.
bool TrimmedClass(const JobState& js);

// Logs the range and, where the chip class is trimmed, fits it to the image:
// the whole chip with UserChipSize set, else trimmed (TrimTrailingBlank).
// This decides how much a unit programs: ChipSize and DataSizeKB follow.
void SettleDataRange(JobState& js);

// Sums DataStart..DataEnd and shows it: the checksums, then the hex grid for
// the classes that have one. The range itself is left as it is.
void ShowChipDataRange(JobState& js);

// What a loaded or read image gets: SettleDataRange, then ShowChipDataRange.
void TakeImageRange(JobState& js);

// UserChipSize has changed: a loaded image of a trimmed class gets its range
// anew, the whole chip while it is set, else trimmed.
void RefitForUserChipSize(JobState& js);

// Narrows DataEnd to the last 256-byte block holding data (at least 4096
// bytes from DataStart); sets ChipSize and DataSizeKB and logs the range.
void TrimTrailingBlank(JobState& js);

// DataCRC16, ChipSum32, DataSum16, ChipCRC32 over DataBuffer[first..last],
// the status bar panels and the log lines. last < first is an empty range.
void UpdateChecksums(JobState& js, uint32_t first, uint32_t last);

// Status bar panels 0 (file) and 1 (chip) in the kind the operator chose.
void ShowChecksumPanels(JobState& js);

// Checksums of data read back from a chip, from address 0.
void ShowReadChipResult(JobState& js);

// Image of a part with 528-byte pages: page data to p * 512, spare bytes
// to the spare area, then checksums and grid.
void CompactPagedImage(JobState& js);

// The file's CRC-32 over FileStartAddr..FileEndAddr; 0 for an empty range.
uint32_t FileRangeCRC32(const JobState& js);

