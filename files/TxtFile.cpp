#include <cstring>
#include <vector>

#include "files/DataFiles.h"
#include "files/LineReader.h"
#include "messages/Messages.h"
#include "protocol/JobState.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r'; }

struct TxtParser {
  TxtParser(std::span<uint8_t> b, uint32_t& sum) : buffer(b), loadSum(sum) {}

  std::span<uint8_t> buffer;
  uint32_t& loadSum;
  bool haveAddress = false;
  uint64_t address = 0;
  uint32_t lowest = 0xFFFFFFFF;
  std::vector<uint8_t> bytes;  // one data line, decoded before anything is stored

  // Empty string when the line is accepted, else the reason.
  std::string_view AddressLine(std::string_view digits) {
    uint64_t value = 0;
    bool any = false;
    for (char c : digits) {
      if (IsSpace(c)) continue;
      uint8_t d = StrictHexValue(c);
      if (d == kNotHex) return msg::Text("character that is not a hex digit");
      value = value * 16 + d;
      if (value >= buffer.size()) return msg::Text("address outside the data buffer");
      any = true;
    }
    if (!any) return msg::Text("address missing");
    address = value;
    haveAddress = true;
    if (value < lowest) lowest = static_cast<uint32_t>(value);
    return {};
  }

  std::string_view DataLine(std::string_view text) {
    if (!haveAddress) return msg::Text("data before the first address line");
    bytes.clear();
    for (size_t i = 0; i < text.size(); ++i) {
      if (IsSpace(text[i])) continue;
      uint8_t hi = StrictHexValue(text[i]);
      if (hi == kNotHex) return msg::Text("character that is not a hex digit");
      if (i + 1 >= text.size()) return msg::Text("odd number of hex digits");
      uint8_t lo = StrictHexValue(text[i + 1]);
      if (lo == kNotHex)
        return IsSpace(text[i + 1]) ? msg::Text("odd number of hex digits")
                                    : msg::Text("character that is not a hex digit");
      bytes.push_back(static_cast<uint8_t>(hi << 4 | lo));
      ++i;
    }
    if (address + bytes.size() > buffer.size()) return msg::Text("data outside the data buffer");
    if (!bytes.empty()) std::memcpy(buffer.data() + address, bytes.data(), bytes.size());
    uint32_t added = 0;
    for (uint8_t b : bytes) added += b;
    loadSum += added;
    address += bytes.size();
    return {};
  }
};

}  // namespace

ReadOutcome ReadTxtFile(JobState& js, const std::string& fileName, std::span<uint8_t> buffer,
                        uint32_t& start, uint32_t& end) {
  LineReader reader(fileName);
  if (!reader.IsOpen()) return {ReadStatus::OpenFailed, 0, {}};

  uint32_t sum = js.LoadSum;
  TxtParser parser(buffer, sum);
  ReadOutcome outcome;
  std::string_view line;
  while (reader.Next(line)) {
    size_t first = 0;
    while (first < line.size() && IsSpace(line[first])) ++first;
    if (first == line.size()) continue;  // empty line
    std::string_view rest = line.substr(first);
    if (rest[0] == 'q') break;
    std::string_view refusal = rest[0] == '@' ? parser.AddressLine(rest.substr(1)) : parser.DataLine(rest);
    if (!refusal.empty()) {
      outcome = {ReadStatus::BadRecord, reader.LineNumber(), std::string(refusal)};
      break;
    }
  }
  if (outcome.Ok() && reader.Failed()) outcome.status = ReadStatus::ReadFailed;
  if (outcome.Ok() && reader.LineTooLong())
    outcome = {ReadStatus::BadRecord, reader.LineNumber() + 1, msg::Text("line too long")};
  js.LoadSum = sum;
  start = parser.lowest;
  end = 0xFFFF;
  return outcome;
}
