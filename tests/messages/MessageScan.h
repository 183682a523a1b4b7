#pragma once
// Finds the message texts in C++ source: the string literals that reach the
// operator through the message log, the message boxes and the panels.
#include <string>
#include <string_view>
#include <vector>

enum class TextUse {
  Translated,  // given to msg::Tr or marked with msg::Text: shown through the build's set
  Direct,      // given as it is to a message sink or a thrown error: the same in both builds
};

struct FoundText {
  std::string text;  // the literal's value: escapes decoded, adjacent literals joined
  int line = 0;      // where the literal starts, from 1
  TextUse use = TextUse::Direct;
};

// The literals of `code` that are arguments of a message call, in order.
std::vector<FoundText> FindMessageTexts(std::string_view code);

// True when `text` holds words: letters beyond printf conversions and the
// "0x" before hexadecimal digits, or any non-ASCII character.
bool HasWords(std::string_view text);
