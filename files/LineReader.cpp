#include "files/LineReader.h"

#include <cstring>

namespace {
constexpr size_t kBlockSize = 4u << 20;
}

LineReader::LineReader(const std::string& fileName) : block_(kBlockSize) {
  file_ = std::fopen(fileName.c_str(), "rb");
  if (file_) std::setvbuf(file_, nullptr, _IONBF, 0);
}

LineReader::~LineReader() {
  if (file_) std::fclose(file_);
}

// Moves the unread tail to the front and reads behind it.
bool LineReader::Refill() {
  if (eof_ || failed_ || tooLong_ || !file_) return false;
  if (begin_ > 0) {
    std::memmove(block_.data(), block_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == block_.size()) {
    tooLong_ = true;
    return false;
  }
  size_t n = std::fread(block_.data() + end_, 1, block_.size() - end_, file_);
  end_ += n;
  if (n == 0) {
    if (std::ferror(file_)) failed_ = true;
    eof_ = true;
    return false;
  }
  return true;
}

bool LineReader::Next(std::string_view& line) {
  size_t scanFrom = begin_;
  for (;;) {
    const char* base = block_.data();
    const void* nl = std::memchr(base + scanFrom, '\n', end_ - scanFrom);
    if (nl) {
      size_t pos = static_cast<const char*>(nl) - base;
      size_t len = pos - begin_;
      if (len > 0 && base[pos - 1] == '\r') --len;
      line = std::string_view(base + begin_, len);
      begin_ = pos + 1;
      ++lineNumber_;
      return true;
    }
    size_t scanned = end_ - begin_;
    if (!Refill()) {
      if (failed_ || tooLong_ || begin_ == end_) return false;
      // The last line has no LF.
      size_t len = end_ - begin_;
      if (block_[end_ - 1] == '\r') --len;
      line = std::string_view(block_.data() + begin_, len);
      begin_ = end_;
      ++lineNumber_;
      return true;
    }
    scanFrom = begin_ + scanned;
  }
}
