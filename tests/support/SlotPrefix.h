#pragma once
// "C<n>: " (n = slot + 1), the prefix of a slot's lines in the log.
#include <string>

inline std::string SlotPrefix(int slot) {
  // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on a
  // one-character literal put before a temporary string.
  std::string prefix = "C";
  prefix += std::to_string(slot + 1);
  prefix += ": ";
  return prefix;
}
