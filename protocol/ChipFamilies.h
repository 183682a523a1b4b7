#pragma once
// Chip family codes (byte 4 of the chip-parameter block) and the chip classes
// the engine and the window branch on. Ask the predicates rather than compare
// codes in place: the codes are ordered, and the order carries meaning.
#include <cstdint>

// Below kFamilyPages528 the plain serial flash families; from
// kFamilyI2cEeprom on the EEPROM families.
// Flash whose quad enable sits where its chip entry says (in the status byte
// or the second one); the box only sets it.
inline constexpr uint8_t kFamilyQuadByName = 0x05;
inline constexpr uint8_t kFamilyPages528 = 0x20;  // flash with 528-byte pages
inline constexpr uint8_t kFamilyI2cEeprom = 0xA0;
inline constexpr uint8_t kFamilySpiEeprom = 0xB0;
inline constexpr uint8_t kFamilyMicrowire = 0xC0;
inline constexpr uint8_t kFamilySpd = 0xD0;

// Serial flash of any kind, the 528-byte-page parts among them.
constexpr bool IsFlash(uint8_t family) { return family < kFamilyI2cEeprom; }
// Serial flash with power-of-two pages: its range is trimmed to the image and
// its read length is asked for.
constexpr bool IsPlainFlash(uint8_t family) { return family < kFamilyPages528; }
constexpr bool IsQuadByNameFlash(uint8_t family) { return family == kFamilyQuadByName; }
constexpr bool IsPagedFlash(uint8_t family) { return family == kFamilyPages528; }
constexpr bool IsEeprom(uint8_t family) { return family >= kFamilyI2cEeprom; }
constexpr bool IsI2cEeprom(uint8_t family) { return family == kFamilyI2cEeprom; }
constexpr bool IsSpiEeprom(uint8_t family) { return family == kFamilySpiEeprom; }
constexpr bool IsMicrowireEeprom(uint8_t family) { return family == kFamilyMicrowire; }
constexpr bool IsSpd(uint8_t family) { return family == kFamilySpd; }
