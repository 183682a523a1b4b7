#include "protocol/Discovery.h"

#include <algorithm>
#include <span>
#include <string>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/CommandCodes.h"
#include "protocol/Firmware.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SlotLife.h"

namespace {

constexpr size_t kVersionTextSize = 32;

}  // namespace

int CompareUnitVersion(const JobState& js, std::string_view unitName) {
  // The version runs from the 'V' of the first " V" on, at most 31 characters.
  std::string version;
  size_t at = unitName.find(" V");
  if (at != std::string_view::npos) version = std::string(unitName.substr(at + 1, kVersionTextSize - 1));
  std::string_view image = js.Firmware.VersionText();
  // Compared over the unit's own length; an empty version sorts below all.
  for (size_t i = 0; i < version.size(); ++i) {
    unsigned char u = static_cast<unsigned char>(version[i]);
    unsigned char f = i < image.size() ? static_cast<unsigned char>(image[i]) : 0;
    if (u != f) return u < f ? 3 : 0;
  }
  return version.empty() && !image.empty() ? 3 : 0;
}

void HandleDiscoveryAnswer(JobState& js, std::span<const uint8_t> answer, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  std::string unitName;
  const int full = CheckProbeAnswer(answer, kFullUnitName, kProbeNameOffset, unitName);
  if (full == 0) {
    if (CompareUnitVersion(js, unitName) != 0) {
      StartFirmwareUpgrade(js, slot);
      return;
    }
    UnitFound(js, slot);
    js.DeviceCount += 1;
    js.SlotTimeout[slot] = kAnswerTimeoutTicks;
    if (js.GaugeSlots[slot]) js.GaugeSlots[slot]->SetEnabled(true);
    if (js.DeviceCount == 1 && js.LogMemo) js.LogMemo->SetInfoPanel(unitName);
    LogSlotMessage(js, msg::FmtV(msg::Tr("Find Device: %s!"), unitName.c_str()), slot);
    return;
  }
  std::string basicName;
  if (CheckProbeAnswer(answer, kBasicUnitName, kProbeNameOffset, basicName) == 0) {
    StartFirmwareUpgrade(js, slot);
    return;
  }
  UnitGone(js, slot);
  LogSlotMessage(js, msg::Tr("No Device Found!"), slot);
}
