#pragma once
// The job-state side of the four option panels: the class-wide chip fields
// that the catalogue rows do not carry. The window side
// (ui/ChipOptionPanels.h) calls these first and then sets its controls.
#include <array>
#include <cstdint>
#include <string_view>

#include "catalogue/ChipCatalogue.h"

struct JobState;

// The 25xx instruction codes: write status, read status, write disable,
// write enable, chip erase, read identification page, write, read.
inline constexpr std::array<uint8_t, 8> kSpiEepromOpBytes = {0x01, 0x05, 0x04, 0x06,
                                                             0xC7, 0x83, 0x02, 0x03};
inline constexpr uint8_t kDefaultI2cDevAddr = 0xA0;
inline constexpr uint16_t kEepromEraseTime = 100;

void I2cEepromPanelJobState(JobState& js);
void MicrowireEepromPanelJobState(JobState& js);
void SpiEepromPanelJobState(JobState& js);
// Reads DataSizeKB and SelChipName, which the chip change has just set.
void SpiFlashPanelJobState(JobState& js);

// The job-state side of the panel for the class of js.ChipFamily (the SPD
// class shares the I2C panel).
void ApplyOptionPanelJobState(JobState& js);

// Which protection controls the SPI flash panel shows.
struct FlashProtectionControls {
  bool labelWP = false;
  bool comBoxWP8 = false;  // eight levels, below 1 MB
  bool comBoxWPF = false;  // sixteen levels, from 1 MB up
  bool chkBoxSRWD = false;
};
FlashProtectionControls FlashProtectionFor(const JobState& js, std::string_view chipName);
