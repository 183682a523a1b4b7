// fwimage: builds a firmware image file for the units from a plain body.
//   fwimage [--key HEX] BODY_FILE VERSION OUTPUT_FILE
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FirmwareImageWriter.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: fwimage [--key HEX] BODY_FILE VERSION OUTPUT_FILE\n"
               "  BODY_FILE  the firmware as the units' blocks carry it (at most %zu bytes)\n"
               "  VERSION    the image's version text, 1 to 22 characters (for example V2.10)\n"
               "  --key HEX  16-bit header key, which also seeds the key table (default 5AC3)\n",
               MaxFirmwareBodyLength());
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  unsigned long key = 0x5AC3;
  if (args.size() >= 2 && args[0] == "--key") {
    char* end = nullptr;
    key = std::strtoul(args[1].c_str(), &end, 16);
    if (args[1].empty() || *end != '\0' || key > 0xFFFF) {
      std::fprintf(stderr, "fwimage: '%s' is not a 16-bit hexadecimal key\n", args[1].c_str());
      return 2;
    }
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.size() != 3) return Usage();

  std::ifstream in(args[0], std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "fwimage: cannot read '%s'\n", args[0].c_str());
    return 1;
  }
  std::vector<uint8_t> body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

  std::string error;
  std::vector<uint8_t> image = BuildFirmwareImage(body, args[1], static_cast<uint16_t>(key), error);
  if (image.empty()) {
    std::fprintf(stderr, "fwimage: %s\n", error.c_str());
    return 1;
  }
  std::ofstream out(args[2], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "fwimage: cannot write '%s'\n", args[2].c_str());
    return 1;
  }
  std::printf("fwimage: wrote %s, %zu bytes, %zu blocks, version %s\n", args[2].c_str(), image.size(),
              (body.size() + 2047) / 2048, args[1].c_str());
  return 0;
}
