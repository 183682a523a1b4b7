#pragma once
// Several simulated units on pseudo-terminals, numbered from 1 like the
// host's units, and the settings file that names their ports.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PtyUnit.h"

namespace unitsim {

class UnitRack {
 public:
  // Starts `count` units; config(k) gives unit k's configuration (k from 1).
  // False, with the reason in error, when a pseudo-terminal cannot be made.
  bool Start(int count, const std::function<UnitConfig(int)>& config, std::string& error);
  bool Start(int count, std::string& error) {
    return Start(count, [](int) { return UnitConfig{}; }, error);
  }

  int Count() const { return static_cast<int>(units_.size()); }
  PtyUnit& Unit(int k) { return *units_.at(static_cast<size_t>(k - 1)); }
  // The device paths of the units still plugged in, in order.
  std::vector<std::string> Paths() const;
  // Writes the settings file the host reads its port list from ("[Connection]",
  // TOTDEV and DEV1..), aside and renamed so that a reader never sees half of it.
  bool WriteSettings(const std::string& path) const;
  // The turnaround samples of all units together, the rest summed.
  LinkStats CombinedStats();
  void ResetStats();

 private:
  std::vector<std::unique_ptr<PtyUnit>> units_;
};

}  // namespace unitsim
