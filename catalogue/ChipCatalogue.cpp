#include "catalogue/ChipCatalogue.h"

#include <algorithm>
#include <stdexcept>

#include "catalogue/ChipTable.h"
#include "protocol/ChipFamilies.h"
#include "protocol/JobState.h"

ChipClass ClassOfFamily(uint8_t chipFamily) {
  if (IsFlash(chipFamily)) return ChipClass::SpiFlash;
  if (IsSpiEeprom(chipFamily)) return ChipClass::SpiEeprom;
  if (IsMicrowireEeprom(chipFamily)) return ChipClass::MicrowireEeprom;
  if (IsSpd(chipFamily)) return ChipClass::SpdEeprom;
  return ChipClass::I2cEeprom;  // kFamilyI2cEeprom and any code no entry uses
}

std::span<const ChipEntry> ChipEntries() { return chip_table::kChipTable; }

std::span<const Submenu> Submenus() { return chip_table::kSubmenus; }

const Submenu& SubmenuOf(MenuGroup group) {
  for (const Submenu& s : chip_table::kSubmenus) {
    if (s.group == group) return s;
  }
  throw std::logic_error("no submenu for this menu group");
}

const ChipEntry* FindChipEntry(std::string_view caption) {
  auto entries = ChipEntries();
  auto it = std::find_if(entries.begin(), entries.end(),
                         [&](const ChipEntry& e) { return e.caption == caption; });
  return it == entries.end() ? nullptr : &*it;
}

bool TakesQuadEnableInStatus(std::string_view chipName) {
  const ChipEntry* entry = FindChipEntry(chipName);
  return entry != nullptr && entry->quadEnableInStatus;
}

bool IsSelectable(const ChipEntry& entry, bool englishBuild) {
  if (entry.shown == Shown::Never) return false;
  for (MenuGroup g = entry.group; g != MenuGroup::TopLevel;) {
    const Submenu& s = SubmenuOf(g);
    if (englishBuild && !s.shownInEnglish) return false;
    g = s.parent;
  }
  return true;
}

void ClearChipFlagsOnOpen(JobState& js) {
  js.ChipOptions = 0;
  js.Vcc18V = 0;
  js.PageEraseChip = 0;
  js.Esp8285Mode = 0;
}

namespace {

template <typename Field, typename Value>
void AssignIfGiven(Field& field, const std::optional<Value>& value) {
  if (value) field = *value;
}

}  // namespace

void ApplyChipEntry(JobState& js, const ChipEntry& entry) {
  js.ChipFamily = entry.chipFamily;
  js.ChipSize = entry.chipSize;
  AssignIfGiven(js.ChipSubType, entry.chipSubType);
  AssignIfGiven(js.ChipAddrMode, entry.chipAddrMode);
  AssignIfGiven(js.PageSize, entry.pageSize);
  AssignIfGiven(js.ChipId1, entry.chipId1);
  AssignIfGiven(js.ChipId2, entry.chipId2);
  AssignIfGiven(js.EraseTime, entry.eraseTime);
  AssignIfGiven(js.Vcc18V, entry.vcc18V);
  AssignIfGiven(js.PageEraseChip, entry.pageEraseChip);
  AssignIfGiven(js.ChipOptions, entry.chipOptions);
  AssignIfGiven(js.Esp8285Mode, entry.esp8285Mode);
  if (entry.ctrlFlagsBits) js.CtrlFlags |= *entry.ctrlFlagsBits;
}
