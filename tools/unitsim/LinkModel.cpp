#include "LinkModel.h"

#include <algorithm>
#include <cmath>

namespace unitsim {

int64_t Wire::Duration(uint64_t n) const {
  if (baud_ <= 0) return 0;
  return static_cast<int64_t>(static_cast<__int128>(n) * kBitsPerByte * 1000000000 / baud_);
}

uint64_t Wire::Through(int64_t start, uint64_t n, int64_t now) const {
  if (baud_ <= 0) return n;
  if (now <= start) return 0;
  __int128 through = static_cast<__int128>(now - start) * baud_ / (int64_t{kBitsPerByte} * 1000000000);
  return static_cast<uint64_t>(std::min<__int128>(through, n));
}

int64_t Wire::Queue(int64_t now, uint64_t n) {
  int64_t start = std::max(now, freeAt_);
  freeAt_ = start + Duration(n);
  return start;
}

double LinkStats::TurnaroundMs(double percentile) const {
  if (TurnaroundSeconds.empty()) return 0;
  std::vector<double> s = TurnaroundSeconds;
  std::sort(s.begin(), s.end());
  // Nearest rank.
  double rank = std::ceil(percentile / 100.0 * static_cast<double>(s.size()));
  size_t i = rank < 1 ? 0 : std::min(s.size() - 1, static_cast<size_t>(rank) - 1);
  return s[i] * 1000.0;
}

void BusyTime::Add(int64_t from, int64_t to) {
  if (to <= from) return;
  if (from >= until_) {
    total_ += to - from;
  } else if (to > until_) {
    total_ += to - until_;
  }
  until_ = std::max(until_, to);
}

}  // namespace unitsim
