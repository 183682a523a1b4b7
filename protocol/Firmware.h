#pragma once
// Upgrade of the units' own firmware from the image file beside the program:
// the image is read and unscrambled once at start-up, then sent to a unit one
// 1 KB block (2,048 image bytes) at a time, each block scrambled with the
// host's block keys, the next block only after the unit's good answer.
#include <cstdint>
#include <span>
#include <string>

struct JobState;

inline constexpr const char* kFirmwareFileName = "VOzOZEdud.ZQM";

enum class FirmwareLoadResult {
  Loaded,
  Unreadable,  // the file could not be opened or read
  BadMagic,    // not a firmware image (a zero byte in the magic never matches)
  BadLayout,   // shorter than its header says, or longer than the image area
  BadRange,    // end at or below the start, over 0x8000 address steps, or a
               // body shorter than two bytes per address step of the range
  BadSum,      // the stored sum does not match
};

// Reads the image file and sets FirmwareLoaded (1 only for Loaded).
FirmwareLoadResult LoadFirmwareImage(JobState& js, const std::string& path);
// The same for the bytes of an image file.
FirmwareLoadResult LoadFirmwareImageData(JobState& js, std::span<const uint8_t> file);

// Starts the upgrade of the slot; does nothing without a loaded image.
void StartFirmwareUpgrade(JobState& js, int slot);

// Builds and sends the block at firmware `address`.
void SendFirmwareBlock(JobState& js, uint32_t address, int slot);

// A good answer to one block: the next block, or after the last the
// off-line monitor command, "Firmware Upgrade Completed!" and success.
void ContinueFirmwareUpgrade(JobState& js, uint8_t status, int slot);
