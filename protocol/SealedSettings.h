#pragma once
// What one slot's command sends, taken from the job state when the command
// starts. Every later packet of that command is built from this copy, so a
// setting changed for the next job, another command on the idle units or a
// new chip choice never reaches a unit that is still running.
#include <array>
#include <cstdint>
#include <string>

struct JobState;

// Everything of the job that the packets of a command carry. The job state
// holds the current values; each slot holds the copy its command started with.
struct PacketSettings {
  // Chip parameters.
  uint8_t ChipFamily = 0;
  uint8_t ChipSubType = 0;
  uint8_t ChipAddrMode = 0;
  uint8_t I2CDevAddr = 0;
  uint32_t ChipSize = 0;
  uint32_t PageSize = 0;
  uint8_t ChipId1 = 0;
  uint8_t ChipId2 = 0;
  uint16_t EraseTime = 0;
  uint8_t ChipOptions = 0;
  std::array<uint8_t, 8> ChipOpBytes{};
  uint8_t ChipAuxByte2 = 0;
  std::string SelChipName;

  // Control settings.
  uint8_t CtrlFlags = 0;
  uint8_t EepromProtect = 0;
  uint8_t PageMode = 0;
  uint8_t CtrlSpare = 0;
  uint8_t StepFlags = 0;
  uint8_t AutoDetect = 0;
  uint8_t ClockCode = 0;
  uint8_t PowerTime = 0;
  int16_t ChipInTime = 0;
  int16_t ChipOffTime = 0;
  uint8_t SNEnabled = 0;
  uint8_t SNLength = 0;
  int32_t SNGain = 0;
  int32_t SNValue = 0;
  int32_t SNAddress = 0;
  uint8_t CountLimitOn = 0;
  int32_t CountLimit = 0;
  uint32_t ShownChecksum = 0;
  uint8_t DeviceCount = 0;

  // The image: how much goes out, how, and the values the unit checks it by.
  uint32_t DataSizeKB = 0;
  uint8_t LargeImage = 0;
  uint8_t LargeDownload = 0;
  uint16_t DataCRC16 = 0;
  uint16_t DataSum16 = 0;
  uint32_t ChipSum32 = 0;
  std::string DataFileName;
};

struct SealedSettings : PacketSettings {
  // The slot's own online serial number: every byte of the image sent to
  // this slot that falls on SerialAddress..+3 carries it instead of what the
  // data buffer holds there, and the check values above are those of the
  // image so changed.
  bool SerialOverlay = false;
  bool SerialBigEndian = false;
  uint32_t SerialAddress = 0;
  uint32_t SerialNumber = 0;
};

// The slot's copy of everything its command's packets carry, taken now. The
// serial-number overlay is cleared; a command that gives the slot a number
// of its own sets it afterwards.
void SealSlotSettings(JobState& js, int slot);

// Writes the slot's serial-number bytes over the part of `data` that holds
// the image from buffer offset `offset` on for `length` bytes. Nothing
// changes without an overlay or where the number lies outside that stretch.
void OverlaySerialNumber(const SealedSettings& s, uint64_t offset, uint8_t* data, size_t length);
