#pragma once
// Command bytes of the programmer units, the sub-codes of the chip command,
// and the chip family codes that the engine and the window branch on.
#include <cstdint>

inline constexpr uint8_t kCmdReadDownloaded = 57;   // the image stored in the unit, as 4 KB answers
inline constexpr uint8_t kCmdDownloadConfig = 83;   // configuration packet of a download
inline constexpr uint8_t kCmdDataPage = 85;         // one 4 KB page into the unit's store
inline constexpr uint8_t kCmdRawDownload = 89;      // download as raw 64 KB rounds
inline constexpr uint8_t kCmdChipVerified = 134;    // a chip of the Auto sequence is done
inline constexpr uint8_t kCmdOffLineMonitor = 138;  // the unit's off-line monitor mode
inline constexpr uint8_t kCmdChip = 147;            // chip command with a sub-code
inline constexpr uint8_t kCmdProgramPages = 149;    // program 4 KB
inline constexpr uint8_t kCmdProgramStream = 150;   // program from a raw stream
inline constexpr uint8_t kCmdReadStream = 154;      // read the chip as a raw stream
inline constexpr uint8_t kCmdReadBlock = 155;       // read 4 KB of the chip

// Sub-codes of kCmdChip.
inline constexpr uint8_t kSubErase = 3;
inline constexpr uint8_t kSubVerify = 0x33;
inline constexpr uint8_t kSubBlankCheck = 0x35;
inline constexpr uint8_t kSubReadId = 0x60;

// Chip families: below kFamilyI2cEeprom the serial flash families.
inline constexpr uint8_t kFamilyPages528 = 0x20;  // flash with 528-byte pages
inline constexpr uint8_t kFamilyI2cEeprom = 0xA0;  // the first EEPROM family
inline constexpr uint8_t kFamilySpiEeprom = 0xB0;
inline constexpr uint8_t kFamilyMicrowire = 0xC0;
inline constexpr uint8_t kFamilySpd = 0xD0;
