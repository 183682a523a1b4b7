#pragma once
// Judging a unit's answer to the discovery probe: a current unit makes its
// slot connected and is named in the log and the device panel; an older or a
// basic unit is upgraded at once (when the firmware image is loaded).
#include <cstddef>
#include <cstdint>
#include <string_view>

struct JobState;

inline constexpr std::string_view kFullUnitName = "KorvanQZ-Plus";
inline constexpr std::string_view kBasicUnitName = "KorvanQZ";
// Where the unit's name begins in the probe answer.
inline constexpr size_t kProbeNameOffset = 24;

// Takes the frame that the receive cycle cut into SlotFrame[slot] (frameLength
// bytes) while the slot is not connected. Returns the decoding result, or the
// full-name check (0 when the name matched); callers ignore it.
int HandleDiscoveryFrame(JobState& js, size_t& frameLength, int slot);

// 3 when the version in the unit's name (from its " V" on) sorts below the
// loaded image's version over the unit's own length, else 0.
int CompareUnitVersion(const JobState& js, std::string_view unitName);
