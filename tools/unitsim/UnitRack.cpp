#include "UnitRack.h"

#include <cstdio>
#include <fstream>

namespace unitsim {

bool UnitRack::Start(int count, const std::function<UnitConfig(int)>& config, std::string& error) {
  for (int k = 1; k <= count; ++k) {
    auto unit = std::make_unique<PtyUnit>(config(k));
    if (!unit->Start(error)) return false;
    units_.push_back(std::move(unit));
  }
  return true;
}

std::vector<std::string> UnitRack::Paths() const {
  std::vector<std::string> paths;
  for (const auto& unit : units_) {
    if (unit->Plugged()) paths.push_back(unit->DevicePath());
  }
  return paths;
}

bool UnitRack::WriteSettings(const std::string& path) const {
  std::vector<std::string> paths = Paths();
  std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << "[Connection]\r\nTOTDEV=" << paths.size() << "\r\n";
    for (size_t i = 0; i < paths.size(); ++i) out << "DEV" << i + 1 << "=" << paths[i] << "\r\n";
    if (!out) return false;
  }
  return std::rename(temp.c_str(), path.c_str()) == 0;
}

LinkStats UnitRack::CombinedStats() {
  LinkStats all;
  for (auto& unit : units_) {
    LinkStats s = unit->Stats();
    all.BytesReceived += s.BytesReceived;
    all.BytesSent += s.BytesSent;
    all.BusySeconds += s.BusySeconds;
    all.TurnaroundSeconds.insert(all.TurnaroundSeconds.end(), s.TurnaroundSeconds.begin(),
                                 s.TurnaroundSeconds.end());
  }
  return all;
}

void UnitRack::ResetStats() {
  for (auto& unit : units_) unit->ResetStats();
}

}  // namespace unitsim
