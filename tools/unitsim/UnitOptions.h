#pragma once
// The unit options of the unitsim program, shared with its tests.
#include <optional>
#include <string>
#include <vector>

#include "SimUnit.h"

namespace unitsim {

// "CMD[/SUB]:N:STATUS", numbers decimal or 0x-hexadecimal: e.g. "149:3:0x41",
// "147/0x33:1:0x31". Empty when the text is no such fault.
std::optional<ErrorOn> ParseErrorOn(const std::string& text);

// Applies the unit option at args[i] (taking its value from args[i + 1],
// and advancing i past it). False when args[i] is no unit option or its value
// is bad.
bool ApplyUnitOption(const std::vector<std::string>& args, size_t& i, UnitConfig& config);

// The usage lines of the unit options.
const char* UnitOptionsUsage();

// The program's command line: --units N, --ini PATH, unit options for all
// units, and after --unit K unit options for unit K alone.
struct ProgramOptions {
  int Units = 0;
  std::string Ini;
  std::vector<UnitConfig> Configs;  // one per unit
};
// Empty when the command line is bad.
std::optional<ProgramOptions> ParseProgramOptions(const std::vector<std::string>& args);

}  // namespace unitsim
