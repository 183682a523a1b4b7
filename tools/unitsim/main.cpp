// unitsim: simulated programmer units on pseudo-terminals.
//
//   unitsim --units N [--ini PATH] [--name NAME] [--version V] [--basic]
//           [--upgraded-version V] [--silent] [--garbage] [--bad-check]
//           [--hangup-after FRAMES]
//
// Prints one device path a line, writes a settings file naming them when
// --ini is given, then serves the units until it is ended. Lines on standard
// input steer it: "unplug K" pulls unit K (1..N) and rewrites the settings
// file without it, "quit" ends.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "PtyUnit.h"

namespace {

int Usage() {
  std::cerr << "usage: unitsim --units N [--ini PATH] [--name NAME] [--version V] [--basic]\n"
               "               [--upgraded-version V] [--silent] [--garbage] [--bad-check]\n"
               "               [--hangup-after FRAMES]\n";
  return 2;
}

// Names the units still plugged in, in order.
bool WriteSettings(const std::string& path, const std::vector<std::unique_ptr<unitsim::PtyUnit>>& units) {
  std::vector<std::string> paths;
  for (const auto& unit : units) {
    if (unit->Plugged()) paths.push_back(unit->DevicePath());
  }
  // Written aside and renamed, so a reader never sees half a file.
  std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << "[Connection]\r\nTOTDEV=" << paths.size() << "\r\n";
    for (size_t i = 0; i < paths.size(); ++i) out << "DEV" << i + 1 << "=" << paths[i] << "\r\n";
    if (!out) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  int count = 0;
  std::string ini;
  unitsim::UnitConfig config;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    const char* v = nullptr;
    if (a == "--units" && (v = next())) count = std::atoi(v);
    else if (a == "--ini" && (v = next())) ini = v;
    else if (a == "--name" && (v = next())) config.Name = v;
    else if (a == "--version" && (v = next())) config.Version = v;
    else if (a == "--upgraded-version" && (v = next())) config.UpgradedVersion = v;
    else if (a == "--basic") config.Name = "KorvanQZ";
    else if (a == "--silent") config.Silent = true;
    else if (a == "--garbage") config.GarbageBetweenFrames = true;
    else if (a == "--bad-check") config.BadCheckValue = true;
    else if (a == "--hangup-after" && (v = next())) config.HangupAfterFrames = std::atoi(v);
    else return Usage();
  }
  if (count < 1 || count > 8) return Usage();

  std::vector<std::unique_ptr<unitsim::PtyUnit>> units;
  for (int i = 0; i < count; ++i) {
    auto unit = std::make_unique<unitsim::PtyUnit>(config);
    std::string error;
    if (!unit->Start(error)) {
      std::cerr << "unitsim: " << error << "\n";
      return 1;
    }
    std::cout << unit->DevicePath() << std::endl;
    units.push_back(std::move(unit));
  }
  if (!ini.empty() && !WriteSettings(ini, units)) {
    std::cerr << "unitsim: cannot write " << ini << "\n";
    return 1;
  }

  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string word;
    int k = 0;
    words >> word;
    if (word == "quit") return 0;
    if (word == "unplug" && (words >> k) && k >= 1 && k <= count) {
      units[k - 1]->Unplug();
      std::cout << "unplugged " << k << std::endl;
      // A refresh of the port list then finds the units still there.
      if (!ini.empty()) WriteSettings(ini, units);
    } else if (!word.empty()) {
      std::cerr << "unitsim: commands are \"unplug K\" and \"quit\"\n";
    }
  }
  // No more commands (started in the background): serve until ended.
  for (;;) ::pause();
}
