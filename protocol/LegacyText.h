#pragma once
// The program's texts are UTF-8; the units, the log files and the project
// files take the 8-bit code page of the Chinese program (GB18030, which is
// GB2312 for every text the program writes itself). Every 8-bit edge goes
// through these routines. The code page holds the characters that GB18030
// writes in one or two bytes; a character that would take four (an emoji,
// say) has no legacy code.
#include <cstddef>
#include <string>
#include <string_view>

// `utf8` in the legacy code page, cut at a whole character so that it holds
// at most `maxBytes` bytes. A byte that is no valid UTF-8 (each byte), or a
// character the code page cannot hold (each character), becomes "?".
std::string ToLegacyText(std::string_view utf8, size_t maxBytes = std::string::npos);

// True when every character of `utf8` is valid and has a legacy code.
bool IsLegacyEncodable(std::string_view utf8);

// Legacy bytes back to UTF-8; a byte sequence that is no valid code becomes "?"
// (one per byte). Four-byte GB18030 codes are read as what they stand for.
std::string FromLegacyText(std::string_view legacy);
