#include "files/DataFiles.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "messages/Messages.h"

std::string_view HexLineResultText(int result) {
  switch (result) {
    case kHexAccepted: return msg::Text("record accepted");
    case kHexNoColon: return msg::Text("line does not begin with ':'");
    case kHexAddressField: return msg::Text("extended address record with an address field other than 0000");
    case kHexChecksum: return msg::Text("checksum wrong");
    case kHexRecordType: return msg::Text("unknown record type");
    case kHexOutside: return msg::Text("data outside the data buffer");
    case kHexLength: return msg::Text("line length does not match the record");
    case kHexNotHexDigit: return msg::Text("character that is not a hex digit");
    default: return msg::Text("bad record");
  }
}

DataFileKind DataFileKindFor(std::string_view path) {
  size_t slash = path.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  if (dot == std::string_view::npos) return DataFileKind::Bin;
  std::string ext(name.substr(dot));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  if (ext == ".HEX") return DataFileKind::Hex;
  if (ext == ".TXT") return DataFileKind::Txt;
  return DataFileKind::Bin;
}
