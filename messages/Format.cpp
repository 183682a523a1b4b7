#include "messages/Format.h"

#include <cstdarg>
#include <cstdio>

namespace msg {
namespace {

// Turns every %x conversion into %X so hexadecimal digits come out in
// upper case, leaving flags, width and precision alone.
std::string UpperHex(std::string_view format) {
  std::string out(format);
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] != '%') continue;
    size_t j = i + 1;
    if (j < out.size() && out[j] == '%') {
      i = j;
      continue;
    }
    while (j < out.size() && std::string_view("-+ #0123456789.hlLqjzt").find(out[j]) != std::string_view::npos) ++j;
    if (j < out.size() && out[j] == 'x') out[j] = 'X';
    i = j;
  }
  return out;
}

std::string Vformat(const std::string& format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int n = std::vsnprintf(nullptr, 0, format.c_str(), copy);
  va_end(copy);
  if (n <= 0) return {};
  std::string out(static_cast<size_t>(n) + 1, '\0');
  std::vsnprintf(out.data(), out.size(), format.c_str(), args);
  out.resize(static_cast<size_t>(n));
  return out;
}

}  // namespace

std::string Fmt(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = Vformat(UpperHex(format), args);
  va_end(args);
  return out;
}

std::string FmtV(std::string_view format, ...) {
  va_list args;
  va_start(args, format);
  std::string out = Vformat(UpperHex(format), args);
  va_end(args);
  return out;
}

}  // namespace msg
