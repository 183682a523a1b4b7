#pragma once
// Online serial numbers per slot. The data buffer holds the first number of
// a run; every other slot of the run gets the next ones, one gain apart, as
// bytes laid over the image when its packets are built (SealedSettings), with
// the check values of its own image. A later Verify of a slot checks the
// chip against the image it was last programmed with.
#include <cstdint>

struct JobState;

// Four bytes of a number at an address of the image.
struct SerialPlacement {
  uint32_t Address = 0;
  bool BigEndian = false;
  uint32_t Number = 0;
};

// The check values the units compare a chip with.
struct ImageChecks {
  uint16_t DataCRC16 = 0;
  uint16_t DataSum16 = 0;
  uint32_t ChipSum32 = 0;
  bool operator==(const ImageChecks&) const = default;
};

// What a slot was last programmed with: its number, the run's first number
// (the one the buffer held) and the buffer's check values then.
struct ProgrammedSerial {
  bool Valid = false;
  SerialPlacement Slot;
  SerialPlacement RunFirst;
  ImageChecks Buffer;
};

// The job's check values (those of the data range from address 0) for the
// image with `serial` in place of the bytes the buffer holds there. Only a
// few bytes are read, whatever the image's size.
ImageChecks ChecksWithSerial(const JobState& js, const SerialPlacement& serial);

// Gives the slot `number` at the job's S/N address and byte order: sets the
// slot's overlay and check values, logs the number for the slot and keeps it
// for a later Verify. Call after SealSlotSettings, before the first packet.
void GiveSlotSerialNumber(JobState& js, uint32_t number, int slot);

// A Verify is starting on the slot: when the slot was last programmed with a
// number of its own and the buffer still holds that run's image, the slot's
// check values become those of its chip's image. Call after SealSlotSettings.
void CheckAgainstProgrammedSerial(JobState& js, int slot);

// The number `index` slots on from `first`: first + index * gain, the gain
// taken as an unsigned 16-bit value, modulo 2^32.
uint32_t SerialNumberAfter(uint32_t first, int32_t gain, uint32_t index);
