#pragma once
// The chip catalogue: every chip type the operator can choose, with the chip
// fields its choice writes into the job state, and the menu tree it sits in.
// The table itself is catalogue/ChipTable.h; the popup menu, the tests and
// the selection all read it from there.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

struct JobState;

// Chip classes; each gets its own option panel (the SPD class shares the I2C
// one). Resolve with a switch without default so a class left out is named.
enum class ChipClass { SpiFlash, I2cEeprom, SpiEeprom, MicrowireEeprom, SpdEeprom };

ChipClass ClassOfFamily(uint8_t chipFamily);

// The submenus of the popup, in menu order; TopLevel is the popup itself.
enum class MenuGroup : uint8_t {
  SpiFlash,
  Adesto,
  SstMicrochip,
  Kh25U,
  Winbond,
  GigaDevice,
  Macronix,
  M25P,
  Md25,
  Puya,
  OtherMakers,
  GenericSizes,
  M45,
  Boya,
  HuaHong,
  I2cEeprom,
  SpiEeprom,
  MicrowireEeprom,
  TempSensor,
  Espressif,
  TopLevel,
};

struct Submenu {
  MenuGroup group;
  MenuGroup parent;
  std::string_view caption;         // as the form holds it (Chinese build)
  std::string_view englishCaption;  // shown by the English build
  std::string_view objectName;      // for the items the show routine reaches by name
  bool shownInEnglish;
};

enum class Shown : uint8_t { InBothBuilds, Never };

// One chip type. An empty optional means the choice leaves that field alone.
struct ChipEntry {
  std::string_view caption;
  MenuGroup group;
  bool separatorBefore;
  Shown shown;
  uint8_t chipFamily;
  uint32_t chipSize;
  std::optional<uint8_t> chipSubType;
  std::optional<uint8_t> chipAddrMode;
  std::optional<uint32_t> pageSize;
  std::optional<uint8_t> chipId1;
  std::optional<uint8_t> chipId2;
  std::optional<uint16_t> eraseTime;
  // The popup clears these four when it opens, so only non-zero values appear.
  std::optional<uint8_t> vcc18V;
  std::optional<uint8_t> pageEraseChip;
  std::optional<uint8_t> chipOptions;
  std::optional<uint8_t> esp8285Mode;
  // Bits ORed into CtrlFlags; no other bit of it is touched.
  std::optional<uint8_t> ctrlFlagsBits;
  // The chip takes its quad enable in its status byte, beside the protection
  // bits, rather than in the second one: QE goes into the protection byte
  // sent, and the window offers no SRWD box for it.
  bool quadEnableInStatus = false;
};

std::span<const ChipEntry> ChipEntries();
std::span<const Submenu> Submenus();

const Submenu& SubmenuOf(MenuGroup group);
const ChipEntry* FindChipEntry(std::string_view caption);

// Whether the chip named exactly so (the chip-name edit's text) takes its
// quad enable in its status byte; false for a name the table does not hold.
bool TakesQuadEnableInStatus(std::string_view chipName);

// Whether the operator can reach the entry in the given build's popup.
bool IsSelectable(const ChipEntry& entry, bool englishBuild);

// What the popup does to the job state each time it opens.
void ClearChipFlagsOnOpen(JobState& js);

// Writes the entry's fields into the job state; fields it leaves alone keep
// what they had.
void ApplyChipEntry(JobState& js, const ChipEntry& entry);
