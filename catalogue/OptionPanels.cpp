#include "catalogue/OptionPanels.h"

#include "protocol/JobState.h"

void I2cEepromPanelJobState(JobState& js) {
  js.EraseTime = kEepromEraseTime;
  js.I2CDevAddr = kDefaultI2cDevAddr;
}

void MicrowireEepromPanelJobState(JobState& js) { js.EraseTime = kEepromEraseTime; }

void SpiEepromPanelJobState(JobState& js) {
  js.ChipOpBytes = kSpiEepromOpBytes;
  js.I2CDevAddr = kDefaultI2cDevAddr;
}

void SpiFlashPanelJobState(JobState& js) {
  js.LargeImage = js.DataSizeKB >= 1024 ? 1 : 0;
  // These two small Macronix parts write 32-byte pages; the name prefix
  // covers their package variants.
  const std::string_view prefix = std::string_view(js.SelChipName).substr(0, 10);
  js.PageSize = (prefix == "MX25U5121E" || prefix == "MX25U1001E") ? 32 : 256;
  js.ChipOpBytes[0] = 0;
}

void ApplyOptionPanelJobState(JobState& js) {
  switch (ClassOfFamily(js.ChipFamily)) {
    case ChipClass::SpiFlash: SpiFlashPanelJobState(js); break;
    case ChipClass::MicrowireEeprom: MicrowireEepromPanelJobState(js); break;
    case ChipClass::SpiEeprom: SpiEepromPanelJobState(js); break;
    case ChipClass::I2cEeprom:
    case ChipClass::SpdEeprom: I2cEepromPanelJobState(js); break;
  }
}

FlashProtectionControls FlashProtectionFor(const JobState& js, std::string_view chipName) {
  FlashProtectionControls c;
  if (js.Esp8285Mode) return c;  // that module's flash offers no protection levels
  c.labelWP = true;
  c.comBoxWP8 = js.DataSizeKB < 1024;
  c.comBoxWPF = js.DataSizeKB >= 1024;
  c.chkBoxSRWD = !TakesQuadEnableInStatus(chipName);
  return c;
}
