#pragma once
// Judging a unit's answer to the discovery probe: a current unit makes its
// slot connected and is named in the log and the device panel; an older or a
// basic unit is upgraded at once (when the firmware image is loaded).
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

struct JobState;

inline constexpr std::string_view kFullUnitName = "KorvanQZ-Plus";
inline constexpr std::string_view kBasicUnitName = "KorvanQZ";
// Where the unit's name begins in the probe answer.
inline constexpr size_t kProbeNameOffset = 24;

// Takes a packet decoded from the line of a slot without a unit: the probe
// answer, or anything else, which finds no unit.
void HandleDiscoveryAnswer(JobState& js, std::span<const uint8_t> answer, int slot);

// 3 when the version in the unit's name (from its " V" on) sorts below the
// loaded image's version over the unit's own length, else 0.
int CompareUnitVersion(const JobState& js, std::string_view unitName);
