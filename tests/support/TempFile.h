#pragma once
// Scratch files for tests: one folder per test program, removed at exit.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

inline std::filesystem::path TestScratchDir() {
  static const std::filesystem::path dir = [] {
    auto d = std::filesystem::temp_directory_path() / ("korvan_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(d);
    static struct Remover {
      std::filesystem::path p;
      ~Remover() {
        std::error_code ec;
        std::filesystem::remove_all(p, ec);
      }
    } remover{d};
    return d;
  }();
  return dir;
}

// Writes bytes to a file named name in the scratch folder; returns its path.
inline std::string WriteTestFile(const std::string& name, std::string_view bytes) {
  auto path = TestScratchDir() / name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return path.string();
}

inline std::string ReadTestFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
