#pragma once
// The settings file "ConfigKvn.ini" and the machine's serial ports: where the
// programmer units are expected. The window shows the resulting port list;
// the device search gives list entry n to slot n.
#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/JobState.h"

inline constexpr const char* kSettingsFileName = "ConfigKvn.ini";
inline constexpr const char* kNoPortsText = "无可用的串口";

// What a port list reader produced, for the window to show.
struct PortList {
  std::vector<std::string> Entries;
  // The list's new shown text; unset when the reader leaves it alone.
  std::optional<std::string> ShownText;
  // Port names bound to slots by the settings file (the slots' CommName).
  std::array<std::optional<std::string>, kSlotCount> SlotNames{};
  // Problems met while reading, each worth telling the operator.
  std::vector<std::string> Problems;
};

// Where the machine's serial devices are found; tests point it at a fake tree.
struct SerialPortSource {
  std::string SysRoot = "/sys";
  std::string DevRoot = "/dev";
  // True when the device can be opened exclusively right now.
  std::function<bool(const std::string& devicePath)> CanOpen;
};

// Opens the device exclusively and closes it again at once.
bool CanOpenExclusively(const std::string& devicePath);

// The text after the first '=' of the line; empty without one.
std::string IniValue(std::string_view line);

// Reads the [Connection] section of the settings text. Sets TotalDevices only
// when a usable TOTDEV line is present.
PortList ReadConfigText(JobState& js, std::string_view text);
// The same for the file at `path`; a file that cannot be read is a problem.
PortList ReadConfigIni(JobState& js, const std::string& path);

// The machine's USB serial ports that can be opened now, in natural order, by
// their /dev names. Sets TotalDevices to their number.
PortList EnumSerialPorts(JobState& js, const SerialPortSource& source);

// The settings file in AppDir when there is one, else the machine's ports.
PortList LoadPortList(JobState& js, const SerialPortSource& source = {});

// Natural order of device names: digit runs compare by value ("ttyUSB2" < "ttyUSB10").
bool NaturalLess(std::string_view a, std::string_view b);
