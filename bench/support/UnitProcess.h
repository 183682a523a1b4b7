#pragma once
// The simulated units (tools/unitsim) as a child process of a bench, on
// pseudo-terminals at the link's real speed: commands go to its standard
// input, its figures come back from its output. The bench's own CPU figures
// then hold the program's work alone.
#include <sys/types.h>

#include <cstdio>
#include <map>
#include <string>

class UnitProcess {
 public:
  UnitProcess() = default;
  UnitProcess(const UnitProcess&) = delete;
  UnitProcess& operator=(const UnitProcess&) = delete;
  // Ends the units and waits for them.
  ~UnitProcess();

  // Starts `units` units of the unitsim at `exe`, paced at 1,000,000 baud,
  // with a settings file naming their ports at `ini`. False when it did not
  // start or did not name every unit's port.
  bool Start(const std::string& exe, int units, const std::string& ini);

  // One command line ("reset", "stats", "quit" ...).
  void Send(const char* command);
  // The line figures since the last "reset", by name.
  std::map<std::string, double> Stats();

 private:
  std::string Line();

  pid_t pid_ = -1;
  FILE* to_ = nullptr;
  FILE* from_ = nullptr;
};
