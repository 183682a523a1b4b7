// The chip table against the fixture made from the chip table document, entry
// by entry and field by field, and the table's own invariants.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "catalogue/ChipCatalogue.h"

namespace {

using Row = std::vector<std::string>;

std::vector<Row> ReadCsv(const std::string& name) {
  std::ifstream in(std::string(CATALOGUE_FIXTURE_DIR) + "/" + name);
  EXPECT_TRUE(in.good()) << "fixture " << name << " missing";
  std::vector<Row> rows;
  std::string line;
  std::getline(in, line);  // column headers
  while (std::getline(in, line)) {
    // Captions hold no commas or quotes, so the rows split plainly.
    EXPECT_EQ(line.find('"'), std::string::npos) << line;
    Row row;
    std::stringstream ss(line);
    std::string cell;
    while (std::getline(ss, cell, ',')) row.push_back(cell);
    if (!line.empty() && line.back() == ',') row.push_back("");
    rows.push_back(row);
  }
  return rows;
}

template <typename T>
std::string Cell(const std::optional<T>& v) {
  return v ? std::to_string(unsigned(*v)) : "-";
}

std::string GroupCaption(MenuGroup g) {
  return g == MenuGroup::TopLevel ? "" : std::string(SubmenuOf(g).caption);
}

// The entry in the fixture's column order.
Row AsRow(const ChipEntry& e) {
  return {std::string(e.caption),
          GroupCaption(e.group),
          e.separatorBefore ? "1" : "0",
          e.shown == Shown::Never ? "1" : "0",
          std::to_string(e.chipFamily),
          std::to_string(e.chipSize),
          Cell(e.chipSubType),
          Cell(e.chipAddrMode),
          Cell(e.pageSize),
          Cell(e.chipId1),
          Cell(e.chipId2),
          Cell(e.eraseTime),
          Cell(e.vcc18V),
          Cell(e.pageEraseChip),
          Cell(e.chipOptions),
          Cell(e.esp8285Mode),
          Cell(e.ctrlFlagsBits)};
}

const char* const kColumns[] = {"caption", "group", "separator", "hidden", "ChipFamily",
                                "ChipSize", "ChipSubType", "ChipAddrMode", "PageSize",
                                "ChipId1", "ChipId2", "EraseTime", "Vcc18V", "PageEraseChip",
                                "ChipOptions", "Esp8285Mode", "CtrlFlagsBits"};

TEST(ChipTable, EveryEntryMatchesTheFixtureFieldByField) {
  const auto fixture = ReadCsv("chip_table.csv");
  const auto entries = ChipEntries();
  ASSERT_EQ(fixture.size(), entries.size());
  for (size_t i = 0; i < entries.size(); ++i) {
    const Row mine = AsRow(entries[i]);
    ASSERT_EQ(fixture[i].size(), mine.size()) << "fixture row " << i;
    for (size_t c = 0; c < mine.size(); ++c) {
      EXPECT_EQ(mine[c], fixture[i][c])
          << "entry " << i << " (" << fixture[i][0] << "), column " << kColumns[c];
    }
  }
}

TEST(ChipTable, SubmenusMatchTheFixture) {
  const auto fixture = ReadCsv("submenus.csv");
  const auto submenus = Submenus();
  ASSERT_EQ(fixture.size(), submenus.size());
  for (size_t i = 0; i < submenus.size(); ++i) {
    const Submenu& s = submenus[i];
    SCOPED_TRACE(std::string(s.caption));
    const auto count = std::count_if(ChipEntries().begin(), ChipEntries().end(),
                                     [&](const ChipEntry& e) { return e.group == s.group; });
    EXPECT_EQ(fixture[i][0], s.caption);
    EXPECT_EQ(fixture[i][1], GroupCaption(s.parent));
    EXPECT_EQ(fixture[i][2], s.englishCaption);
    EXPECT_EQ(fixture[i][3], s.shownInEnglish ? "1" : "0");
    EXPECT_EQ(fixture[i][4], std::to_string(count));
  }
}

TEST(ChipTable, HoldsTheCataloguesEntriesOnceEachInMenuOrderOfTheirGroups) {
  const auto entries = ChipEntries();
  EXPECT_EQ(entries.size(), 199u);
  std::set<std::string_view> captions;
  for (const ChipEntry& e : entries) EXPECT_TRUE(captions.insert(e.caption).second) << e.caption;
  // Each group's entries stand together, groups in the order of the submenus.
  std::vector<MenuGroup> order;
  for (const ChipEntry& e : entries) {
    if (order.empty() || order.back() != e.group) order.push_back(e.group);
  }
  std::vector<MenuGroup> expected;
  for (const Submenu& s : Submenus()) {
    if (s.group != MenuGroup::SpiFlash) expected.push_back(s.group);
  }
  expected.push_back(MenuGroup::TopLevel);
  EXPECT_EQ(order, expected);
}

TEST(ChipTable, SeparatorsStandWhereTheMenuHasThem) {
  std::vector<std::string_view> separated;
  MenuGroup previous = MenuGroup::TopLevel;
  bool first = true;
  for (const ChipEntry& e : ChipEntries()) {
    if (e.separatorBefore) separated.push_back(e.caption);
    // A separator never opens a submenu.
    if (first || e.group != previous) {
      EXPECT_TRUE(!e.separatorBefore || e.group == MenuGroup::TopLevel) << e.caption;
    }
    previous = e.group;
    first = false;
  }
  const std::vector<std::string_view> expected = {
      "SST26VF020x", "GD25Q256D", "MX25U121Exx", "MX25V1606Fx", "EN25T16",
      "S25FL004Axx", "MK25D80",   "FM24C32D",    "AT45DB16E"};
  EXPECT_EQ(separated, expected);
}

TEST(ChipTable, TheEnglishBuildOffersOneEntryFewer) {
  auto count = [](bool english) {
    return std::count_if(ChipEntries().begin(), ChipEntries().end(),
                         [&](const ChipEntry& e) { return IsSelectable(e, english); });
  };
  EXPECT_EQ(count(true), 194);
  EXPECT_EQ(count(false), 195);
  EXPECT_FALSE(IsSelectable(*FindChipEntry("ESP8285"), true));
  EXPECT_TRUE(IsSelectable(*FindChipEntry("ESP8285"), false));
  for (const char* hidden : {"NPC79nXBxx(8M)", "NPC79nXCxx (4M)", "AG9311-MAQ", "AG9311-MCQ"}) {
    EXPECT_FALSE(IsSelectable(*FindChipEntry(hidden), false)) << hidden;
    EXPECT_FALSE(IsSelectable(*FindChipEntry(hidden), true)) << hidden;
  }
}

// The fields each kind of entry assigns, besides family and size.
constexpr unsigned SubType = 1, AddrMode = 2, Page = 4, Ids = 8, Erase = 16;

unsigned AssignedFields(const ChipEntry& e) {
  EXPECT_EQ(e.chipId1.has_value(), e.chipId2.has_value()) << e.caption;
  return (e.chipSubType ? SubType : 0) | (e.chipAddrMode ? AddrMode : 0) |
         (e.pageSize ? Page : 0) | (e.chipId1 ? Ids : 0) | (e.eraseTime ? Erase : 0);
}

unsigned ExpectedKind(const ChipEntry& e) {
  const std::string_view c = e.caption;
  const bool gdUpper = e.group == MenuGroup::GigaDevice && &e >= FindChipEntry("GD25Q256D");
  switch (e.group) {
    case MenuGroup::Adesto: return SubType | Ids | Erase;
    case MenuGroup::SstMicrochip:
      return c.starts_with("SST25VF") ? SubType | Ids | Erase : Ids | Erase;
    case MenuGroup::GigaDevice: return gdUpper ? Ids | Erase : SubType | Ids | Erase;
    case MenuGroup::Espressif: return SubType | Ids | Erase;
    case MenuGroup::Kh25U:
    case MenuGroup::Winbond:
    case MenuGroup::Md25:
    case MenuGroup::HuaHong: return SubType | Erase;
    case MenuGroup::OtherMakers: return c == "MK25D80" ? SubType | Erase : Ids | Erase;
    case MenuGroup::Macronix:
    case MenuGroup::M25P:
    case MenuGroup::Puya:
    case MenuGroup::M45:
    case MenuGroup::Boya:
    case MenuGroup::GenericSizes: return Ids | Erase;
    case MenuGroup::I2cEeprom:
    case MenuGroup::TempSensor: return SubType | AddrMode | Page;
    case MenuGroup::SpiEeprom: return SubType | Page;
    case MenuGroup::MicrowireEeprom: return SubType;
    case MenuGroup::TopLevel:
      if (c == "FM24C32D") return SubType | AddrMode | Page;
      if (c.starts_with("NPC79n")) return SubType | Ids | Erase;
      return Ids | Erase;  // AG9311 entries, AT45DB16E
    case MenuGroup::SpiFlash: break;
  }
  ADD_FAILURE() << "entry directly under the SPI flash menu: " << c;
  return 0;
}

TEST(ChipTable, EachKindOfEntryAssignsItsOwnFields) {
  for (const ChipEntry& e : ChipEntries()) {
    EXPECT_EQ(AssignedFields(e), ExpectedKind(e)) << e.caption;
  }
}

TEST(ChipTable, FamilyCodesBelongToTheClassOfTheirMenu) {
  const std::map<uint8_t, ChipClass> codes = {
      {0x00, ChipClass::SpiFlash}, {0x01, ChipClass::SpiFlash}, {0x03, ChipClass::SpiFlash},
      {0x05, ChipClass::SpiFlash}, {0x07, ChipClass::SpiFlash}, {0x09, ChipClass::SpiFlash},
      {0x0B, ChipClass::SpiFlash}, {0x10, ChipClass::SpiFlash}, {0x12, ChipClass::SpiFlash},
      {0x20, ChipClass::SpiFlash}, {0x80, ChipClass::SpiFlash}, {0xA0, ChipClass::I2cEeprom},
      {0xB0, ChipClass::SpiEeprom}, {0xC0, ChipClass::MicrowireEeprom},
      {0xD0, ChipClass::SpdEeprom}};
  std::set<uint8_t> used;
  for (const ChipEntry& e : ChipEntries()) {
    SCOPED_TRACE(std::string(e.caption));
    ASSERT_TRUE(codes.contains(e.chipFamily));
    used.insert(e.chipFamily);
    const ChipClass cls = ClassOfFamily(e.chipFamily);
    EXPECT_EQ(cls, codes.at(e.chipFamily));
    const std::string_view c = e.caption;
    switch (e.group) {
      case MenuGroup::I2cEeprom:
        EXPECT_EQ(cls, c.find("34C") != std::string_view::npos ? ChipClass::SpdEeprom
                                                               : ChipClass::I2cEeprom);
        break;
      case MenuGroup::TempSensor: EXPECT_EQ(cls, ChipClass::SpdEeprom); break;
      case MenuGroup::SpiEeprom: EXPECT_EQ(cls, ChipClass::SpiEeprom); break;
      case MenuGroup::MicrowireEeprom: EXPECT_EQ(cls, ChipClass::MicrowireEeprom); break;
      case MenuGroup::TopLevel:
        EXPECT_EQ(cls, c == "FM24C32D" ? ChipClass::I2cEeprom : ChipClass::SpiFlash);
        break;
      default: EXPECT_EQ(cls, ChipClass::SpiFlash); break;  // the maker submenus, ESP8285
    }
  }
  EXPECT_EQ(used.size(), codes.size());
  // Codes no entry uses still fall into a class; unknown EEPROM codes get the I2C panel.
  EXPECT_EQ(ClassOfFamily(0x9F), ChipClass::SpiFlash);
  EXPECT_EQ(ClassOfFamily(0xE0), ChipClass::I2cEeprom);
}

TEST(ChipTable, TheEdgeEntriesCarryWhatTheCatalogueSays) {
  EXPECT_EQ(FindChipEntry("S25FL256xx")->chipSize, 16777216u);
  EXPECT_FALSE(FindChipEntry("S25FL256xx")->chipOptions.has_value());
  EXPECT_EQ(FindChipEntry("AT45DB16E")->chipSize, 2162688u);
  EXPECT_EQ(FindChipEntry("AT45DB16E")->ctrlFlagsBits, 0x20);
  EXPECT_EQ(FindChipEntry("GD25xQ128x")->chipSubType, 8);
  for (const char* c : {"W25x64xx", "W25x128xx", "W25x256xx", "MD25Q64x", "MD25Q128x"}) {
    EXPECT_EQ(FindChipEntry(c)->chipSubType, 7) << c;
  }
  for (const char* c :
       {"AT25DF256", "AT25DN256", "AT25DF512C", "AT25DN512", "MX25U25643G", "PY25Q256"}) {
    EXPECT_GE(FindChipEntry(c)->chipSize, 32u << 20) << c;
    EXPECT_FALSE(FindChipEntry(c)->chipOptions.has_value()) << c;
  }
  EXPECT_EQ(FindChipEntry("1024M Bits(1024Mbit)")->caption.size(), 20u);
  EXPECT_EQ(FindChipEntry("no such chip"), nullptr);
}

}  // namespace
