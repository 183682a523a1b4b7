#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <numeric>
#include <system_error>

#include "files/DataFiles.h"
#include "protocol/JobState.h"

namespace {
constexpr size_t kChunk = 0x10000;
}

ReadOutcome ReadBinFile(JobState& js, const std::string& fileName, uint32_t& lastIndex) {
  std::error_code ec;
  uint64_t size = std::filesystem::file_size(fileName, ec);
  std::FILE* f = ec ? nullptr : std::fopen(fileName.c_str(), "rb");
  if (!f) return {ReadStatus::OpenFailed, 0, {}};
  std::setvbuf(f, nullptr, _IONBF, 0);

  // Never more than the buffer holds, whatever the caller allows.
  uint64_t room = std::min<uint64_t>(uint64_t{lastIndex} + 1, kDataBufferSize);
  uint64_t toRead = std::min(size, room);

  uint8_t* out = js.DataBuffer.get();
  uint32_t sum = js.LoadSum;
  uint64_t pos = 0;
  ReadOutcome outcome;
  while (pos < toRead) {
    size_t want = static_cast<size_t>(std::min<uint64_t>(kChunk, toRead - pos));
    size_t got = std::fread(out + pos, 1, want, f);
    sum = std::accumulate(out + pos, out + pos + got, sum);
    pos += got;
    if (got != want) {
      outcome.status = ReadStatus::ReadFailed;
      break;
    }
  }
  std::fclose(f);
  js.LoadSum = sum;
  if (outcome.Ok()) lastIndex = static_cast<uint32_t>(toRead - 1);
  return outcome;
}

bool WriteBinFile(std::span<const uint8_t> source, const std::string& fileName, uint32_t lastIndex) {
  if (uint64_t{lastIndex} >= source.size()) return false;
  std::FILE* f = std::fopen(fileName.c_str(), "wb");
  if (!f) return false;
  size_t n = size_t{lastIndex} + 1;
  bool ok = std::fwrite(source.data(), 1, n, f) == n;
  ok = (std::fclose(f) == 0) && ok;
  return ok;
}
