#include "files/LogFile.h"

#include <cerrno>
#include <fcntl.h>
#include <iconv.h>
#include <unistd.h>

namespace {

class Converter {
 public:
  Converter() : cd_(iconv_open("GB18030", "UTF-8")) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  iconv_t get() const { return cd_; }

 private:
  iconv_t cd_;
};

bool WriteAll(int fd, const std::string& bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

void AppendLine(std::string& out, std::string_view utf8) {
  out += utf8;
  out += "\r\n";
}

}  // namespace

std::string AutoLogFileName(std::string_view date, std::string_view time) {
  std::string name = "QZ_";
  name += date;
  name += '_';
  name += time;
  for (char& c : name)
    if (c == '-' || c == '/' || c == ':') c = '_';
  return name + ".log";
}

std::string Utf8ToGb18030(std::string_view utf8) {
  Converter conv;
  if (!conv.ok()) return std::string(utf8);
  std::string out;
  out.reserve(utf8.size() + 8);
  char* in = const_cast<char*>(utf8.data());
  size_t inLeft = utf8.size();
  char buf[256];
  while (inLeft > 0) {
    char* outPtr = buf;
    size_t outLeft = sizeof buf;
    size_t r = iconv(conv.get(), &in, &inLeft, &outPtr, &outLeft);
    out.append(buf, static_cast<size_t>(outPtr - buf));
    if (r != static_cast<size_t>(-1)) continue;
    if (errno == E2BIG) continue;
    // EILSEQ or a sequence cut off at the end: mark it and go on after it.
    out += '?';
    ++in;
    --inLeft;
  }
  return out;
}

bool WriteLogLines(const std::string& path, const std::vector<std::string>& lines,
                   LogWriteMode mode, std::string_view newFileHeader) {
  std::string text;  // UTF-8 until it is written
  int fd = -1;
  if (mode == LogWriteMode::Replace) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  } else {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      if (!newFileHeader.empty()) AppendLine(text, newFileHeader);
    } else if (errno == EEXIST) {
      fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    }
  }
  if (fd < 0) return false;
  for (const std::string& line : lines) AppendLine(text, line);
  bool ok = WriteAll(fd, Utf8ToGb18030(text));
  if (::close(fd) != 0) ok = false;
  return ok;
}
