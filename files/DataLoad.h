#pragma once
// Loading a data file into DataBuffer and saving the data range, as the
// main window's open and save commands do them.
#include <string>

#include "files/DataFiles.h"

struct JobState;

// A load needs a chosen chip: its size bounds the file range.
bool ChipChosenForLoad(const JobState& js);

// Resets the file range and LoadSum, sets the default data range and reads
// path with the reader its extension chooses.
ReadOutcome LoadDataFile(JobState& js, const std::string& path);

// The whole load after the operator chose path: erase the buffer, read the
// file, log the file's range and checksums, then compact or show the range.
// A refused chip, file or record is reported in a box and the log and leaves
// DataLoaded 0. While a slot runs the load is refused in a box and nothing
// changes. True when the file was loaded.
bool OpenDataFile(JobState& js, const std::string& path);

// Writes DataEnd - DataStart + 1 bytes of DataBuffer from address 0 to path
// and confirms it in a box; a write failure is reported instead.
bool SaveDataBuffer(JobState& js, const std::string& path);
