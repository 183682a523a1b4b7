#pragma once
// Writing the message log to a file. The log's lines are UTF-8 inside the
// program; in the file they are in the legacy code page (protocol/LegacyText.h),
// each ended by CR LF.
#include <string>
#include <string_view>
#include <vector>

// The automatic log file name "QZ_" + date + "_" + time + ".log", with every
// "-", "/" and ":" of the date and time replaced by "_" (blanks stay).
std::string AutoLogFileName(std::string_view date, std::string_view time);

// The bytes one log line takes in a log file: legacy code page, CR LF.
std::string LogFileLine(std::string_view utf8);

enum class LogWriteMode { Replace, Append };

// Writes `lines` to `path`: Replace creates or empties the file; Append adds
// to the end of an existing file, and a new file starts with `newFileHeader`
// (when not empty). False when the file cannot be opened, written or closed,
// with errno set by the first call that failed.
bool WriteLogLines(const std::string& path, const std::vector<std::string>& lines,
                   LogWriteMode mode, std::string_view newFileHeader = {});
