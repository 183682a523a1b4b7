#pragma once
// The data files: raw binary, Intel HEX and TI-TXT readers, the raw binary
// writer, and the choice of reader by file extension.
//
// The readers store straight into the target buffer and add every byte they
// store to js.LoadSum. Every record is checked whole, and against the end of
// the buffer, before anything of it is stored or the file range moves; the
// first bad record stops the reading and is reported with its line.
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "files/HexDigits.h"

struct JobState;

enum class ReadStatus {
  Ok,
  OpenFailed,  // the file cannot be opened
  ReadFailed,  // the platform reported a read error
  BadRecord,   // a line of a text file was refused: see line and reason
};

struct ReadOutcome {
  ReadStatus status = ReadStatus::Ok;
  uint32_t line = 0;   // 1-based line of a refused record
  std::string reason;  // why it was refused

  bool Ok() const { return status == ReadStatus::Ok; }
};

// Result codes of ParseHexLine.
enum HexLineResult : int {
  kHexAccepted = 0,      // stored, or a record that is passed over
  kHexNoColon = 1,       // the line does not begin with ':' (an empty line too)
  kHexAddressField = 3,  // extended address record whose address field is not 0000
  kHexChecksum = 4,      // checksum wrong
  kHexRecordType = 5,    // record type other than 0 to 5
  kHexOutside = 6,       // data would lie outside the buffer
  kHexLength = 7,        // the line is shorter or longer than its record
  kHexNotHexDigit = 8,   // a character that is not a hexadecimal digit
};

// The words that name a ParseHexLine result in a refusal.
std::string_view HexLineResultText(int result);

// Reads raw bytes from index 0. lastIndex: in, the highest index that may be
// filled; out, the last index filled (size - 1: 0xFFFFFFFF for an empty file,
// which is an empty range).
ReadOutcome ReadBinFile(JobState& js, const std::string& fileName, uint32_t& lastIndex);

// Reads an Intel HEX file into buffer; js.FileStartAddr := the lowest address
// stored, highest := the highest (0xFFFFFFFF and 0 when nothing was stored).
ReadOutcome ReadHexFile(JobState& js, const std::string& fileName, std::span<uint8_t> buffer,
                        uint32_t& highest);

// One HEX record (a line without its line end). base, lowest and highest
// carry over between lines; loadSum receives the bytes stored.
int ParseHexLine(std::string_view line, std::span<uint8_t> buffer, uint32_t& base,
                 uint32_t offset, uint32_t& lowest, uint32_t& highest, uint32_t& loadSum);

// Reads a TI-TXT file into buffer. start := the lowest "@" address; end is
// always 0xFFFF.
ReadOutcome ReadTxtFile(JobState& js, const std::string& fileName, std::span<uint8_t> buffer,
                        uint32_t& start, uint32_t& end);

// Writes source bytes 0 to lastIndex (lastIndex + 1 bytes); false when the
// file cannot be written or lastIndex lies outside source.
bool WriteBinFile(std::span<const uint8_t> source, const std::string& fileName, uint32_t lastIndex);

enum class DataFileKind { Hex, Txt, Bin };

// By the upper-cased extension: ".HEX", ".TXT", every other one is binary.
DataFileKind DataFileKindFor(std::string_view path);
