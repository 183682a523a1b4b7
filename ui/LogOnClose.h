#pragma once
// What the main window does with its message log when it closes, as the log
// settings ask: nothing, the automatic file in the Log folder, or the
// operator's file (new, overwritten or appended to).
#include <string>
#include <vector>

#include "ui/LogConfig.h"

struct LogCloseResult {
  bool keepWindowOpen = false;  // the window stays open (its close is abandoned)
  std::string message;          // a box to show first, or empty
  std::string writtenPath;      // the file written, or empty
  bool failed = false;          // a file was due and could not be written
};

// `date` and `time` are the short date and long time texts of now.
LogCloseResult SaveLogOnClose(const LogConfig& config, const std::string& appDir,
                              const std::vector<std::string>& lines, const std::string& date,
                              const std::string& time);
