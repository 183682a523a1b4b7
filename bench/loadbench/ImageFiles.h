#pragma once
// Writes one pseudo-random image in the three data file formats.
#include <cstdint>
#include <string>

struct ImageFiles {
  std::string hex, txt, bin;
};

ImageFiles WriteImageFiles(const std::string& folder, uint32_t size);
