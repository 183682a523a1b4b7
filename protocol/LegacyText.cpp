#include "protocol/LegacyText.h"

#include <algorithm>
#include <iconv.h>

namespace {

constexpr const char* kLegacyCode = "GB18030";
// The code page's characters take one or two bytes; GB18030's four-byte
// sequences stand for what the 8-bit platform code page cannot hold.
constexpr size_t kMaxLegacyCharBytes = 2;

class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts the whole of `in` into `out`; false (out unspecified) when it
  // is no complete valid sequence or does not fit.
  bool Convert(std::string_view in, char* out, size_t outSize, size_t& written) {
    if (!ok()) return false;
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    char* dst = out;
    size_t dstLeft = outSize;
    if (iconv(cd_, &src, &srcLeft, &dst, &dstLeft) == static_cast<size_t>(-1) || srcLeft != 0) return false;
    written = outSize - dstLeft;
    return true;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence that `lead` begins, 0 for a byte that begins none.
size_t Utf8SequenceLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

// Walks `utf8` one character at a time; `take` gets the character's legacy
// bytes, or an empty view for a byte that is no valid UTF-8 or a character
// without a legacy code (the walk then goes on after its first byte or after
// the character). `take` returns false to stop.
template <typename Take>
void ForEachLegacyCharacter(std::string_view utf8, Take take) {
  Converter conv(kLegacyCode, "UTF-8");
  size_t at = 0;
  while (at < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[at]);
    if (lead < 0x80) {
      if (!take(utf8.substr(at, 1))) return;
      ++at;
      continue;
    }
    const size_t length = Utf8SequenceLength(lead);
    char out[8];
    size_t written = 0;
    if (length == 0 || at + length > utf8.size() || !conv.Convert(utf8.substr(at, length), out, sizeof out, written)) {
      if (!take(std::string_view{})) return;  // no valid UTF-8: one byte at a time
      ++at;
      continue;
    }
    if (!take(written <= kMaxLegacyCharBytes ? std::string_view(out, written) : std::string_view{})) return;
    at += length;
  }
}

}  // namespace

std::string ToLegacyText(std::string_view utf8, size_t maxBytes) {
  std::string out;
  out.reserve(std::min(utf8.size(), maxBytes));
  ForEachLegacyCharacter(utf8, [&](std::string_view bytes) {
    if (bytes.empty()) bytes = "?";
    if (bytes.size() > maxBytes - out.size()) return false;
    out += bytes;
    return true;
  });
  return out;
}

bool IsLegacyEncodable(std::string_view utf8) {
  bool all = true;
  ForEachLegacyCharacter(utf8, [&](std::string_view bytes) {
    all = !bytes.empty();
    return all;
  });
  return all;
}

std::string FromLegacyText(std::string_view legacy) {
  Converter conv("UTF-8", kLegacyCode);
  std::string out;
  out.reserve(legacy.size() + legacy.size() / 2);
  size_t at = 0;
  while (at < legacy.size()) {
    const auto lead = static_cast<unsigned char>(legacy[at]);
    if (lead < 0x80) {
      out += static_cast<char>(lead);
      ++at;
      continue;
    }
    // A two-byte code, or a four-byte one when the second byte is a digit.
    const size_t length =
        at + 1 < legacy.size() && legacy[at + 1] >= '0' && legacy[at + 1] <= '9' ? 4 : 2;
    char utf8[8];
    size_t written = 0;
    if (lead == 0x80 || lead == 0xFF || at + length > legacy.size() ||
        !conv.Convert(legacy.substr(at, length), utf8, sizeof utf8, written)) {
      out += '?';
      ++at;
      continue;
    }
    out.append(utf8, written);
    at += length;
  }
  return out;
}
