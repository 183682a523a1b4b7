#pragma once
// Integers as the operator and the settings file write them: a signed 32-bit
// value in decimal, or hexadecimal after "0x" or "$".
#include <cstdint>
#include <optional>
#include <string_view>

// The value of `text`, or nothing when it is no integer or out of range.
// Leading blanks are allowed; anything after the number is not.
std::optional<int32_t> ParseIntegerText(std::string_view text);
