#pragma once
// The log-file settings that the main window's close handler reads: whether a
// log is written, whether the program names it, how an operator-named file is
// written and its name. The log configuration dialog owns these values; until
// it exists they keep the dialog's initial state.
#include <cstdint>
#include <string>

struct LogConfig {
  enum WriteMode : uint8_t { NewFile = 0, Overwrite = 1, Append = 2 };

  bool LogEnabled = true;
  bool AutoLogName = true;
  uint8_t LogWriteMode = NewFile;
  std::string LogFileName = "QZ_2016xx.log";

  std::string GetLogFileName() const { return LogFileName; }
};
