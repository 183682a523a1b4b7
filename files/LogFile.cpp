#include "files/LogFile.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "files/WriteAll.h"
#include "protocol/LegacyText.h"

std::string LogFileLine(std::string_view utf8) {
  std::string line(utf8);
  line += "\r\n";
  return ToLegacyText(line);
}

std::string AutoLogFileName(std::string_view date, std::string_view time) {
  std::string name = "QZ_";
  name += date;
  name += '_';
  name += time;
  for (char& c : name)
    if (c == '-' || c == '/' || c == ':') c = '_';
  return name + ".log";
}

bool WriteLogLines(const std::string& path, const std::vector<std::string>& lines,
                   LogWriteMode mode, std::string_view newFileHeader) {
  std::string text;  // in the legacy code page
  int fd = -1;
  if (mode == LogWriteMode::Replace) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } else {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      if (!newFileHeader.empty()) text += LogFileLine(newFileHeader);
    } else if (errno == EEXIST) {
      fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
  }
  if (fd < 0) return false;
  // Line by line, as the journal writes them (LogJournal.h).
  for (const std::string& line : lines) text += LogFileLine(line);
  // The first failure is the one to report; closing after it may change errno.
  int error = WriteAll(fd, text) ? 0 : errno;
  if (::close(fd) != 0 && error == 0) error = errno;
  errno = error;
  return error == 0;
}
