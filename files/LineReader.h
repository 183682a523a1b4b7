#pragma once
// Reads a text file line by line in large blocks, without an allocation per
// line. A line is handed out without its LF and without a CR before it. A
// line longer than a block (4 MiB) is no line of a data file: the reading
// stops there (see LineTooLong()), so a wrong file cannot claim memory.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

class LineReader {
 public:
  explicit LineReader(const std::string& fileName);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  bool IsOpen() const { return file_ != nullptr; }
  // False at the end of the file, on a read error (see Failed()) or at a
  // line that does not fit a block (see LineTooLong()).
  bool Next(std::string_view& line);
  bool Failed() const { return failed_; }
  bool LineTooLong() const { return tooLong_; }
  // 1-based number of the line last handed out.
  uint32_t LineNumber() const { return lineNumber_; }

 private:
  bool Refill();

  std::FILE* file_ = nullptr;
  std::vector<char> block_;
  size_t begin_ = 0;  // first unread byte in block_
  size_t end_ = 0;    // one past the last valid byte
  bool eof_ = false;
  bool failed_ = false;
  bool tooLong_ = false;
  uint32_t lineNumber_ = 0;
};
