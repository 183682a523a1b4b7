#pragma once
// Project files (".TKP"): a whole job in one file — the chip and its
// parameters, the main window's serial-number and programming settings, and
// the data image. Strings are XOR-masked, the image is XOR-masked with two
// per-file key bytes, and filler bytes stand between groups of fields.
//
// A file is built whole in memory and written once, through a temporary file
// renamed over the target; a file is read whole and checked completely before
// anything of it reaches the job.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "files/WholeFile.h"

class FillerRandom;
struct JobState;

namespace project {

// The fixed bytes of the format; writer and reader must agree on them.
inline constexpr uint8_t kStringMaskXor = 0x5C;  // a string's mask: (n XOR this) OR kStringMaskOr
inline constexpr uint8_t kStringMaskOr = 0x21;   // not 0, so no mask is 0
inline constexpr uint8_t kKey1ForZero = 0x3B;    // key 1 when its filler value is 0
inline constexpr uint8_t kKey2ForZero = 0x97;    // key 2 when its filler value is 0

inline constexpr uint8_t kMagic0 = 0xA5;
inline constexpr uint8_t kMagic1 = 0x5A;
inline constexpr std::string_view kFormatName = "KorvanPJV1-QZ";
inline constexpr std::string_view kDataMarker = "MAINFL";
inline constexpr size_t kTrailingFiller = 1024;

// The mask of a string whose legacy text is n bytes long.
constexpr uint8_t StringMask(size_t n) {
  return static_cast<uint8_t>((static_cast<uint8_t>(n) ^ kStringMaskXor) | kStringMaskOr);
}

}  // namespace project

// The main window's controls a project stores, as plain values. Texts are
// UTF-8; in the file they are the legacy 8-bit text.
struct ProjectControls {
  std::string ChipName;     // MCUNameEdit
  std::string ProductText;  // ProductEditX
  bool AutoDetect = false;  // CheckBoxAut
  int ChipInTime = 0;       // SpinEditIn
  int ChipOffTime = 0;      // SpinEditOut
  int ClockIndex = 0;       // RadioGroupSpd
  int VoltageIndex = 0;     // RadioGpVolt
  bool WriteProtect = false;  // CheckBoxWRP: written, never restored
  bool SerialNumber = false;  // CheckBoxSN
  bool OnlineSN = false;      // ChkBoxPCSN
  bool SNBigEndian = false;   // SNOrderChk
  bool StringSN = false;      // ChkBoxStrSN
  std::string SNText;         // SNEdit
  std::string GainText;       // GainEdit
  std::string AddrText;       // AddrEdit
  bool CountLimitOn = false;  // ChkBoxNumb
  uint32_t CountLimit = 0;    // SpinEditNumb

  bool operator==(const ProjectControls&) const = default;
};

// The job-state fields a project stores, at their stored widths.
struct ProjectChip {
  uint16_t DataSum16 = 0;
  uint16_t DataCRC16 = 0;
  uint16_t DataSizeKB = 0;
  uint16_t PageSize = 0;
  uint16_t ChipAuxWord = 0;
  uint16_t EraseTime = 0;
  uint32_t DataStart = 0;
  uint32_t DataEnd = 0;
  uint32_t ChipSize = 0;
  uint8_t ChipSpare = 0;
  uint8_t ChipFamily = 0;
  uint8_t ChipSubType = 0;
  std::array<uint8_t, 8> ChipOpBytes{};
  uint8_t EepromProtect = 0;
  uint8_t ChipAuxByte2 = 0;
  uint32_t ChipSum32 = 0;
  uint8_t ChipAuxByte = 0;
  uint8_t CtrlFlags2 = 0;
  uint8_t CtrlFlags = 0;
  uint8_t ChipAddrMode = 0;
  uint8_t I2CDevAddr = 0;
  uint8_t ChipId1 = 0;
  uint8_t ChipId2 = 0;

  bool operator==(const ProjectChip&) const = default;
};

ProjectChip ProjectChipOf(const JobState& js);

// The number of data pairs for the range start..end: floor((end - start) / 2)
// - start + 1, none when that is below 1 (signed, never wraps).
int64_t ProjectPairCount(uint32_t start, uint32_t end);

// The whole file. Pair k holds data[2 * start + 2k] and the byte after it;
// pairs that would pass dataSize are left out. Every filler byte and both
// keys come from `filler`.
std::string BuildProjectFile(const ProjectChip& chip, const ProjectControls& controls,
                             const uint8_t* data, size_t dataSize, FillerRandom& filler);

enum class ProjectStatus {
  Ok,
  BadMagic,          // the first two bytes are not A5 5A
  NotProject,        // the format name differs
  BadDataMarker,     // the data marker differs
  ShortFile,         // the file ends before its last data pair
  RangeOutsideBuffer,  // DataStart is not 0, or the pairs or a size the load derives pass
                       // the end of the buffer
};

struct ParsedProject {
  ProjectStatus status = ProjectStatus::Ok;
  ProjectChip chip;
  ProjectControls controls;
  uint8_t key1 = 0;
  uint8_t key2 = 0;
  size_t pairsOffset = 0;  // where the first pair starts in the file
  size_t pairCount = 0;
  size_t bytesNeeded = 0;  // ShortFile: the bytes the file would have to hold
};

// Checks the whole file against the layout and a data buffer of dataSize
// bytes; nothing is applied.
ParsedProject ParseProjectFile(std::string_view file, size_t dataSize);

// The size in KB a load takes from the chip fields. DataSizeKB is stored in
// 16 bits: when the size in KB of ChipSize agrees with it there, the whole
// value is taken.
uint32_t ProjectDataSizeKB(const ProjectChip& chip);

// Whether every size a load derives from the chip fields stays inside a
// buffer of dataSize bytes: ChipSize (and the range a chip change makes of
// it), DataEnd and the size in KB.
bool ProjectSizesFit(const ProjectChip& chip, size_t dataSize);

// The image of a checked file into data: the whole buffer erased to 0xFF,
// then the pairs unmasked at their places.
void StoreProjectImage(const ParsedProject& parsed, std::string_view file, uint8_t* data,
                       size_t dataSize);

// The stored chip fields read before the chip name is shown (rows up to the
// chip sub-type) and those read after it.
void ApplyProjectChipBeforeName(JobState& js, const ProjectChip& chip);
void ApplyProjectChipAfterName(JobState& js, const ProjectChip& chip);

// The checksums a project stores beside its image.
struct ProjectSums {
  uint32_t ChipSum32 = 0;
  uint16_t DataSum16 = 0;
  uint16_t DataCRC16 = 0;

  bool operator==(const ProjectSums&) const = default;
};

ProjectSums StoredProjectSums(const ProjectChip& chip);

// The same sums over data[0..DataEnd] of the file's range, as its writer's
// job summed its data range.
ProjectSums ProjectImageSums(const ProjectChip& chip, const uint8_t* data, size_t dataSize);

// The most a project for a buffer of dataSize bytes holds before its trailing
// filler: a longer file need not be read further.
size_t ProjectReadLimit(size_t dataSize);

// The project of js with the window's controls, built and written to path.
// Every filler byte comes from js.Filler. Empty on success, else the reason.
std::string SaveProjectFile(JobState& js, const ProjectControls& controls, const std::string& path);
