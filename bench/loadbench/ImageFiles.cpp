#include "ImageFiles.h"

#include <cstdio>
#include <stdexcept>
#include <vector>

namespace {

constexpr char kDigits[] = "0123456789ABCDEF";

class Image {
 public:
  // The same bytes every time: xorshift from a fixed seed.
  void Fill(uint8_t* out, size_t n) {
    for (size_t i = 0; i < n; ++i) {
      state_ ^= state_ << 13;
      state_ ^= state_ >> 7;
      state_ ^= state_ << 17;
      out[i] = static_cast<uint8_t>(state_ >> 24);
    }
  }

 private:
  uint64_t state_ = 0x9E3779B97F4A7C15ull;
};

struct Out {
  explicit Out(const std::string& path) : f(std::fopen(path.c_str(), "wb")) {
    if (!f) throw std::runtime_error("cannot write " + path);
  }
  ~Out() { std::fclose(f); }
  void Put(const std::string& s) { std::fwrite(s.data(), 1, s.size(), f); }
  std::FILE* f;
};

void AppendHex(std::string& s, uint8_t b) {
  s += kDigits[b >> 4];
  s += kDigits[b & 15];
}

std::string HexRecord(uint8_t type, uint16_t address, const uint8_t* data, size_t n) {
  std::string s = ":";
  uint8_t sum = static_cast<uint8_t>(n + (address >> 8) + address + type);
  AppendHex(s, static_cast<uint8_t>(n));
  AppendHex(s, static_cast<uint8_t>(address >> 8));
  AppendHex(s, static_cast<uint8_t>(address));
  AppendHex(s, type);
  for (size_t i = 0; i < n; ++i) {
    AppendHex(s, data[i]);
    sum = static_cast<uint8_t>(sum + data[i]);
  }
  AppendHex(s, static_cast<uint8_t>(-sum));
  s += '\n';
  return s;
}

}  // namespace

ImageFiles WriteImageFiles(const std::string& folder, uint32_t size) {
  ImageFiles files{folder + "/image.hex", folder + "/image.txt", folder + "/image.bin"};
  Out hex(files.hex), txt(files.txt), bin(files.bin);
  Image image;
  std::vector<uint8_t> chunk(0x10000);
  std::string hexText, txtText = "@0000\n";
  for (uint32_t at = 0; at < size; at += chunk.size()) {
    image.Fill(chunk.data(), chunk.size());
    std::fwrite(chunk.data(), 1, chunk.size(), bin.f);

    uint8_t upper[2] = {static_cast<uint8_t>(at >> 24), static_cast<uint8_t>(at >> 16)};
    hexText = HexRecord(0x04, 0, upper, 2);
    for (size_t i = 0; i < chunk.size(); i += 32) hexText += HexRecord(0x00, static_cast<uint16_t>(i), &chunk[i], 32);
    hex.Put(hexText);

    for (size_t i = 0; i < chunk.size(); i += 16) {
      for (size_t k = 0; k < 16; ++k) {
        AppendHex(txtText, chunk[i + k]);
        txtText += k == 15 ? '\n' : ' ';
      }
    }
    txt.Put(txtText);
    txtText.clear();
  }
  hex.Put(":00000001FF\n");
  txt.Put("q\n");
  return files;
}
