#pragma once
// printf-style formatting with the program's conventions: every %x prints
// upper-case hexadecimal digits ("%0.6x" gives "00ABCD").
#include <string>
#include <string_view>

namespace msg {

std::string Fmt(const char* format, ...);

// The same for a format text chosen at run time (a translated message).
std::string FmtV(std::string_view format, ...);

}  // namespace msg
