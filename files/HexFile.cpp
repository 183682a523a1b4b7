#include <cstring>
#include <vector>

#include "files/DataFiles.h"
#include "files/LineReader.h"
#include "messages/Messages.h"
#include "protocol/JobState.h"

namespace {

constexpr std::string_view kEndRecord = ":00000001FF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Byte value of every pair of characters, as the two bytes lie in memory;
// kBadPair marks a pair that is not two hex digits.
constexpr uint16_t kBadPair = 0x100;

const uint16_t* PairTable() {
  static const std::vector<uint16_t> table = [] {
    std::vector<uint16_t> t(65536);
    for (unsigned a = 0; a < 256; ++a) {
      for (unsigned b = 0; b < 256; ++b) {
        const char pair[2] = {static_cast<char>(a), static_cast<char>(b)};
        uint16_t key;
        std::memcpy(&key, pair, 2);
        uint8_t hi = kHexValue[a], lo = kHexValue[b];
        t[key] = ((hi | lo) & kNotHex) ? kBadPair : static_cast<uint16_t>(hi << 4 | lo);
      }
    }
    return t;
  }();
  return table.data();
}

// Decodes n bytes from 2n hex characters and adds them to sum; false on any
// non-hex character.
bool DecodeHex(const char* text, size_t n, uint8_t* out, uint32_t& sum) {
  const uint16_t* table = PairTable();
  uint16_t bad = 0;
  uint32_t s = 0;
  for (size_t i = 0; i < n; ++i) {
    uint16_t key;
    std::memcpy(&key, text + 2 * i, 2);
    uint16_t v = table[key];
    bad |= v;
    s += v;
    out[i] = static_cast<uint8_t>(v);
  }
  sum += s;
  return (bad & kBadPair) == 0;
}

}  // namespace

int ParseHexLine(std::string_view line, std::span<uint8_t> buffer, uint32_t& base, uint32_t offset,
                 uint32_t& lowest, uint32_t& highest, uint32_t& loadSum) {
  if (line.empty() || line[0] != ':') return kHexNoColon;
  size_t len = line.size();
  while (len > 1 && IsBlank(line[len - 1])) --len;  // trailing blanks carry nothing

  // Header: count, address, type.
  if (len < 9) return kHexLength;
  uint8_t rec[4 + 255 + 1];
  uint32_t headerSum = 0;
  if (!DecodeHex(line.data() + 1, 4, rec, headerSum)) return kHexNotHexDigit;
  const uint8_t count = rec[0];
  const uint32_t address = (uint32_t{rec[1]} << 8) | rec[2];
  const uint8_t type = rec[3];
  if (type == 0x01 || type == 0x03 || type == 0x05) return kHexAccepted;  // passed over
  if (type > 0x05) return kHexRecordType;

  // The whole record: data and checksum, nothing more, nothing less.
  if (len != 11 + 2 * size_t{count}) return kHexLength;
  uint32_t dataSum = 0;
  if (!DecodeHex(line.data() + 9, count, rec + 4, dataSum)) return kHexNotHexDigit;
  uint32_t checksum = 0;
  if (!DecodeHex(line.data() + 9 + 2 * size_t{count}, 1, rec + 4 + count, checksum)) return kHexNotHexDigit;
  const uint8_t sum = static_cast<uint8_t>(headerSum + dataSum + checksum);

  if (type == 0x02 || type == 0x04) {
    if (address != 0) return kHexAddressField;
    if (count != 2) return kHexLength;
    if (sum != 0) return kHexChecksum;
    uint32_t value = (uint32_t{rec[4]} << 8) | rec[5];
    base = type == 0x02 ? value * 16 : value * 65536;
    return kHexAccepted;
  }

  // Data record.
  if (sum != 0) return kHexChecksum;
  if (count == 0) return kHexAccepted;
  const uint32_t addr = base + address;
  const uint64_t index = uint64_t{addr} - offset;
  if (uint64_t{addr} < offset || index + count > buffer.size()) return kHexOutside;
  if (addr < lowest) lowest = addr;
  if (addr + count - 1 > highest) highest = addr + count - 1;
  const uint8_t* data = rec + 4;
  std::memcpy(buffer.data() + index, data, count);
  loadSum += dataSum;
  return kHexAccepted;
}

ReadOutcome ReadHexFile(JobState& js, const std::string& fileName, std::span<uint8_t> buffer,
                        uint32_t& highest) {
  LineReader reader(fileName);
  if (!reader.IsOpen()) return {ReadStatus::OpenFailed, 0, {}};

  uint32_t base = 0, lowest = 0xFFFFFFFF, high = 0;
  uint32_t sum = js.LoadSum;
  uint32_t blankLine = 0;  // an empty line is only harmless at the end of the file
  ReadOutcome outcome;
  std::string_view line;
  while (reader.Next(line)) {
    if (line == kEndRecord) break;
    size_t first = line.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
      if (blankLine == 0) blankLine = reader.LineNumber();
      continue;
    }
    if (blankLine != 0) {
      outcome = {ReadStatus::BadRecord, blankLine, std::string(HexLineResultText(kHexNoColon))};
      break;
    }
    int result = ParseHexLine(line, buffer, base, 0, lowest, high, sum);
    if (result != kHexAccepted) {
      outcome = {ReadStatus::BadRecord, reader.LineNumber(), std::string(HexLineResultText(result))};
      break;
    }
  }
  if (outcome.Ok() && reader.Failed()) outcome.status = ReadStatus::ReadFailed;
  if (outcome.Ok() && reader.LineTooLong())
    outcome = {ReadStatus::BadRecord, reader.LineNumber() + 1, msg::Text("line too long")};
  js.LoadSum = sum;
  js.FileStartAddr = lowest;
  highest = high;
  return outcome;
}
