#include "ui/LogOnClose.h"

#include <cerrno>
#include <cstring>

#include "files/LogFile.h"
#include "messages/Format.h"
#include "messages/Messages.h"

namespace {

// The automatic log needs more than this many lines to be worth a file.
constexpr size_t kAutoLogMinLines = 6;

}  // namespace

LogCloseResult SaveLogOnClose(const LogConfig& config, const std::string& appDir,
                              const std::vector<std::string>& lines, const std::string& date,
                              const std::string& time) {
  LogCloseResult result;
  if (!config.LogEnabled) return result;

  if (config.AutoLogName) {
    if (lines.size() <= kAutoLogMinLines) return result;
    const std::string path = appDir + "/Log/" + AutoLogFileName(date, time);
    if (WriteLogLines(path, lines, LogWriteMode::Replace)) {
      result.writtenPath = path;
    } else {
      result.message = "Write Log File error!";
      result.failed = true;
    }
    return result;
  }

  const std::string path = config.GetLogFileName();
  if (path.empty()) return result;
  if (config.LogWriteMode == LogConfig::Append) {
    // One attempt; a failure is not shown and the window closes all the same.
    if (WriteLogLines(path, lines, LogWriteMode::Append, "Tesmel Log File!"))
      result.writtenPath = path;
    else
      result.failed = true;
    return result;
  }
  // A mode outside the dialog's three choices writes nothing.
  if (config.LogWriteMode != LogConfig::NewFile && config.LogWriteMode != LogConfig::Overwrite)
    return result;
  if (WriteLogLines(path, lines, LogWriteMode::Replace)) {
    result.writtenPath = path;
  } else {
    // Reported like any uncaught error: the close is abandoned.
    result.message = msg::FmtV(msg::Tr("Cannot create file \"%s\". %s"), path.c_str(), std::strerror(errno));
    result.keepWindowOpen = true;
    result.failed = true;
  }
  return result;
}
