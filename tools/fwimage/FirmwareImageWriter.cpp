#include "FirmwareImageWriter.h"

#include <algorithm>

#include "protocol/FirmwareImageFormat.h"
#include "protocol/FirmwareState.h"
#include "protocol/PacketBytes.h"

using namespace fwimage;

namespace {

constexpr size_t kOverhead = kBodyOffset + kTrailerSize + kSumSize;

std::vector<uint8_t> KeyTable(uint16_t seed) {
  std::vector<uint8_t> keys(kKeyTableSize);
  uint32_t state = 0x9E3779B9u ^ seed;
  for (auto& k : keys) {
    state = state * 1664525u + 1013904223u;
    k = static_cast<uint8_t>(state >> 24);
  }
  return keys;
}

}  // namespace

size_t MaxFirmwareBodyLength() {
  size_t room = std::min<size_t>(kFirmwareImageSize - kOverhead, 2 * size_t{kMaxRangeSteps});
  return room / kBlockBytes * kBlockBytes;
}

std::vector<uint8_t> BuildFirmwareImage(std::span<const uint8_t> body, std::string_view version,
                                        uint16_t headerKey, std::string& error) {
  if (body.empty()) {
    error = "the firmware body is empty";
    return {};
  }
  const size_t padded = (body.size() + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  if (padded > MaxFirmwareBodyLength()) {
    error = "the firmware body is " + std::to_string(body.size()) + " bytes; at most " +
            std::to_string(MaxFirmwareBodyLength()) + " fit an image";
    return {};
  }
  if (version.empty() || version.size() > kVersionSize) {
    error = "the version text must have 1 to " + std::to_string(kVersionSize) + " characters";
    return {};
  }

  std::vector<uint8_t> plain(body.begin(), body.end());
  plain.resize(padded, 0xFF);
  const uint16_t endAddr = static_cast<uint16_t>(kStartAddr + padded / 2);
  const uint16_t bodyLength = static_cast<uint16_t>(padded);

  std::vector<uint8_t> file(kOverhead + padded, 0);
  for (size_t i = 0; i < kMagicSize; ++i) file[kMagicOffset + i] = static_cast<uint8_t>(kMagicText[i]) | 0x80;
  std::copy(version.begin(), version.end(), file.begin() + kVersionOffset);
  PutLE16(&file[kHeaderKeyOffset], headerKey);
  PutLE16(&file[kEndAddrOffset], endAddr ^ headerKey);
  PutLE16(&file[kUnusedWord1Offset], headerKey);
  PutLE16(&file[kUnusedWord2Offset], headerKey);
  PutLE16(&file[kBodyLengthOffset], bodyLength ^ headerKey);

  // The loader reads a 4,096-byte key area of which the file fills the first part.
  std::vector<uint8_t> keys = KeyTable(headerKey);
  std::copy(keys.begin(), keys.end(), file.begin() + kKeyTableOffset);
  keys.resize(kImageKeyTableSize, 0);
  for (size_t i = 0; i < padded; ++i) {
    file[kBodyOffset + i] = plain[i] ^ keys[GroupKeyIndex(i / 4) + (i & 1)];
  }

  const size_t sumOffset = kBodyOffset + padded + kTrailerSize;
  uint32_t sum = 0;
  for (size_t i = 0; i < sumOffset; ++i) {
    if (i != kUnsummedOffset && i != kUnsummedOffset + 1) sum += file[i];
  }
  PutLE32(&file[sumOffset], sum);
  return file;
}
