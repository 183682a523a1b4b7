#pragma once
// The units' firmware image as loaded at start-up and the upgrade's keys.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

inline constexpr size_t kFirmwareImageSize = 65536;
inline constexpr size_t kFirmwareVersionSize = 32;
inline constexpr size_t kImageKeyTableSize = 4096;

struct FirmwareState {
  // The image file as read; after a good load it begins with the unscrambled body.
  std::array<uint8_t, kFirmwareImageSize> FirmwareImage{};
  // The image's version text, zero-filled behind it.
  std::array<char, kFirmwareVersionSize> FirmwareVersion{};
  uint16_t FwStartAddr = 0;   // first firmware address in the unit (0x2000)
  uint16_t FwEndAddr = 0;     // end address (exclusive)
  uint16_t FwBodyLength = 0;  // scrambled body length in bytes
  // Key bytes of the body; only the first 3,240 come from the image.
  std::array<uint8_t, kImageKeyTableSize> ImageKeyTable{};

  // FirmwareVersion up to its first zero character.
  std::string_view VersionText() const {
    std::string_view all(FirmwareVersion.data(), FirmwareVersion.size());
    return all.substr(0, all.find('\0'));
  }
};
