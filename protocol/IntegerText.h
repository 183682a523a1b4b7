#pragma once
// Integers as the operator and the settings file write them: a signed 32-bit
// value in decimal, or hexadecimal after "$", "x", "X", "0x" or "0X".
#include <cstdint>
#include <optional>
#include <string_view>

// The value of `text`, or nothing when it is no integer or out of range.
// Leading blanks and a sign are allowed; anything after the number is not.
// Never throws.
std::optional<int32_t> ParseIntegerText(std::string_view text);
