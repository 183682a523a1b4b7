#include "files/Settings.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "protocol/IntegerText.h"
#include "messages/Format.h"
#include "messages/Messages.h"

namespace fs = std::filesystem;

namespace {

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The slot index a "DEVn" line names, or -1 when it names none of the eight.
int DevLineSlot(std::string_view upper) {
  if (upper.size() < 4) return -1;
  int number = upper[3] - '0';
  if (upper.size() >= 5 && IsDigit(upper[4])) number = 10 * number + (upper[4] - '0');
  int slot = number - 1;
  return slot >= 0 && slot < kSlotCount ? slot : -1;
}

// The port a "DEVn" line names: a device path after '=' stands as written,
// any other name runs from the line's first letter C to its end.
std::string DevLinePort(std::string_view line, std::string_view upper) {
  std::string value = IniValue(line);
  if (StartsWith(value, "/")) return value;
  size_t c = upper.find('C');
  return c == std::string_view::npos ? std::string() : std::string(upper.substr(c));
}

std::string LinkName(const fs::path& link) {
  std::error_code ec;
  fs::path target = fs::read_symlink(link, ec);
  return ec ? std::string() : target.filename().string();
}

// USB serial adapters: every usb-serial driver, and the modem class driver.
bool IsUsbSerialDevice(const fs::path& device) {
  static const std::set<std::string> kDrivers = {"ftdi_sio", "cp210x", "ch341", "ch341-uart",
                                                 "cdc_acm"};
  return kDrivers.count(LinkName(device / "driver")) != 0 ||
         LinkName(device / "subsystem") == "usb-serial";
}

}  // namespace

bool CanOpenExclusively(const std::string& devicePath) {
  int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;  // absent, or held exclusively by another program
  bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return free;
}

std::string IniValue(std::string_view line) {
  size_t eq = line.find('=');
  return eq == std::string_view::npos ? std::string() : std::string(line.substr(eq + 1));
}

PortList ReadConfigText(JobState& js, std::string_view text) {
  PortList list;
  bool inSection = false;
  std::istringstream in{std::string(text)};
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!inSection) {
      inSection = line == "[Connection]";
      continue;
    }
    std::string upper = UpperAscii(line);
    if (StartsWith(upper, "TOTDEV")) {
      std::string value = IniValue(upper);
      if (auto n = ParseIntegerText(value)) {
        js.TotalDevices = static_cast<uint8_t>(*n);
      } else {
        list.Problems.push_back(msg::Fmt("'%s' is not a valid integer value", value.c_str()));
      }
    } else if (StartsWith(upper, "DEV")) {
      std::string port = DevLinePort(line, upper);
      list.Entries.push_back(port);
      int slot = DevLineSlot(upper);
      if (slot >= 0) list.SlotNames[slot] = port;
    }
  }
  return list;
}

PortList ReadConfigIni(JobState& js, const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    const int error = errno;  // before anything else can change it
    PortList list;
    list.Problems.push_back(msg::FmtV(msg::Tr("Cannot open file \"%s\". %s"), path.c_str(), std::strerror(error)));
    return list;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return ReadConfigText(js, text.str());
}

bool NaturalLess(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (IsDigit(a[i]) && IsDigit(b[j])) {
      size_t ei = i, ej = j;
      while (ei < a.size() && IsDigit(a[ei])) ++ei;
      while (ej < b.size() && IsDigit(b[ej])) ++ej;
      // Compare the runs by value: strip leading zeros, then length, then digits.
      size_t si = i, sj = j;
      while (si + 1 < ei && a[si] == '0') ++si;
      while (sj + 1 < ej && b[sj] == '0') ++sj;
      if (ei - si != ej - sj) return ei - si < ej - sj;
      int c = a.substr(si, ei - si).compare(b.substr(sj, ej - sj));
      if (c != 0) return c < 0;
      i = ei;
      j = ej;
    } else {
      if (a[i] != b[j]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[j]);
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

PortList EnumSerialPorts(JobState& js, const SerialPortSource& source) {
  PortList list;
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(fs::path(source.SysRoot) / "class" / "tty", ec)) {
    if (IsUsbSerialDevice(entry.path() / "device")) names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end(), NaturalLess);
  const auto& canOpen = source.CanOpen ? source.CanOpen : CanOpenExclusively;
  for (const auto& name : names) {
    std::string device = source.DevRoot + "/" + name;
    if (canOpen(device)) list.Entries.push_back(device);
  }
  js.TotalDevices = static_cast<uint8_t>(list.Entries.size());
  list.ShownText = list.Entries.empty() ? std::string(kNoPortsText) : list.Entries.back();
  return list;
}

PortList LoadPortList(JobState& js, const SerialPortSource& source) {
  std::string path = js.AppDir + "/" + kSettingsFileName;
  // A folder of that name is no settings file.
  std::error_code ec;
  if (fs::exists(path, ec) && !fs::is_directory(path, ec)) return ReadConfigIni(js, path);
  return EnumSerialPorts(js, source);
}
