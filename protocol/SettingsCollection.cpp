#include "protocol/SettingsCollection.h"

#include <optional>

#include "protocol/IntegerText.h"
#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/ChipFamilies.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"

namespace {

// The integer in a number field, or nothing after the conversion error box.
std::optional<int32_t> FieldInteger(JobState& js, const std::string& text) {
  std::optional<int32_t> value = ParseIntegerText(text);
  if (!value && js.LogMemo)
    js.LogMemo->ShowErrorMessage(msg::FmtV(msg::Tr("'%s' is not a valid integer value"), text.c_str()));
  return value;
}

void CollectFlashSettings(JobState& js, const ControlStates& c) {
  js.PageMode = js.PageSize >= 256 ? 1 : 3;
  js.ChipOptions = c.ChkBoxLSP ? (js.ChipOptions | 0x80) : (js.ChipOptions & 0x7F);
  js.ProtectByte = c.ChkBoxSRWD ? (js.ProtectByte | 0x80) : (js.ProtectByte & 0x7F);
  js.ChipOpBytes[0] = js.ProtectByte;
  if (IsQuadByNameFlash(js.ChipFamily) && c.QuadEnableInStatus) {
    if (c.CheckBoxQE) js.ChipOpBytes[0] |= 0x40;
  } else if (IsQuadByNameFlash(js.ChipFamily)) {
    if (c.CheckBoxQE) js.ChipOpBytes[1] |= 0x02;
  } else {
    js.ChipOpBytes[1] = c.CheckBoxQE ? (js.ChipOpBytes[1] | 0x02) : 0;
  }
  AddInfoLine(js, msg::FmtV(msg::Tr("Protected Setting:  0x%0.2x."), js.ChipOpBytes[0]));
}

uint8_t StepFlagsOf(const JobState& js, const ControlStates& c) {
  if (IsSpd(js.ChipFamily)) return c.CheckBoxWRP ? 0x80 : 0;
  uint8_t flags = 0;
  if (c.EnBlankChk) flags += 0x02;
  if (c.EnEraseChk) flags += 0x01;
  if (!c.EnProgChk) flags += 0x04;
  if (!c.EnVerifyChk) flags += 0x08;
  if (!c.EnProgChk) flags += 0x80;
  if (c.CheckBoxQE) flags += 0x10;
  return flags;
}

uint8_t CtrlFlagsOf(const JobState& js, const ControlStates& c) {
  uint8_t flags = js.CtrlFlags & 0x20;  // the catalogue's bit survives
  if (c.SNOrderChk) flags += 0x10;
  flags += VoltageBitsOf(c.RadioGpVolt);
  if (js.PageEraseChip) flags += 0x80;
  if (c.ChkBoxNotBLK) flags += 0x40;
  return flags;
}

uint8_t ClockCodeOf(const JobState& js, const ControlStates& c) {
  if (IsSpd(js.ChipFamily)) return 200;
  switch (c.RadioGroupSpd) {
    case 0: return 250;
    case 1: return 50;
    case 2: return 15;
    default: return 5;
  }
}

uint32_t ShownChecksumOf(const JobState& js, const ControlStates& c) {
  const bool chip = c.RadioGrpSumDP == 0;
  if (c.RadioGroupX == 0) return chip ? js.ChipSum32 : js.LoadSum;
  return chip ? js.ChipCRC32 : js.FileCRC32;
}

}  // namespace

bool CollectControlSettings(JobState& js, const ControlStates& c) {
  js.PageMode = 0;
  if (IsSpiEeprom(js.ChipFamily)) {
    js.EepromProtect = js.ProtectByte;
  } else if (IsFlash(js.ChipFamily)) {
    CollectFlashSettings(js, c);
  } else if (IsI2cEeprom(js.ChipFamily)) {
    js.ChipAddrMode = c.RadioGroupA61 == 0 ? (js.ChipAddrMode | 0x10) : (js.ChipAddrMode & ~0x10);
  }

  js.ChipInTime = static_cast<int16_t>(c.SpinEditIn / 32);
  js.ChipOffTime = static_cast<int16_t>(c.SpinEditOut / 32);
  js.AutoDetect = c.CheckBoxAut ? 15 : 0;
  js.PowerTime = static_cast<uint8_t>(c.SpinEditPTM / 10);
  js.StepFlags = StepFlagsOf(js, c);

  if (IsFlash(js.ChipFamily)) {
    if (js.LargeImage) js.ChipOptions |= 0x40;
  } else if (IsI2cEeprom(js.ChipFamily)) {
    auto address = FieldInteger(js, c.EditDevAdrX);
    if (!address) return false;
    js.I2CDevAddr = static_cast<uint8_t>(*address);
  }

  js.CtrlFlags = CtrlFlagsOf(js, c);

  js.SNLength = 4;
  auto gain = FieldInteger(js, c.GainEdit);
  if (!gain) return false;
  js.SNGain = static_cast<uint16_t>(*gain);
  js.SNEnabled = c.CheckBoxSN ? 15 : 0;
  js.OnlineSN = c.CheckBoxSN && c.ChkBoxPCSN ? 1 : 0;
  if (c.CheckBoxSN) {
    auto value = FieldInteger(js, c.SNEdit);
    if (!value) return false;
    js.SNValue = *value;
    auto address = FieldInteger(js, c.AddrEdit);
    if (!address) return false;
    js.SNAddress = *address;
  } else {
    js.SNValue = 0;
    js.SNAddress = static_cast<int32_t>(0xFFFFFFFFu);
  }

  js.CountLimitOn = c.ChkBoxNumb ? 15 : 0;
  js.CountLimit = c.SpinEditNumb;
  js.ClockCode = ClockCodeOf(js, c);
  js.ShownChecksum = ShownChecksumOf(js, c);
  js.ChecksumKind = c.RadioGroupX == 0 ? 0 : 1;
  js.UserChipSize = c.ChkBoxCPES ? 1 : 0;

  AddRawLine(js, "");
  AddRawLine(js, msg::Fmt("> Control Setting(Hex): %0.2x,%0.2x,%0.2x,%0.2x, "
                          "%0.2x,%0.2x,%0.2x,%0.2x, "
                          "%0.2x,%0.2x,%0.2x,%0.2x.",
                          js.ChipFamily, js.ChipSubType, js.ChipOptions, js.ChipAddrMode,
                          js.PageMode, js.CtrlSpare, js.StepFlags, js.CtrlFlags,
                          js.ClockCode, js.EepromProtect, js.ChipAuxByte2, js.PageSize));
  return true;
}
