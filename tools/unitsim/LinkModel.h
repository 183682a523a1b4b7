#pragma once
// The timing of a unit's serial line: each direction carries one byte per
// 11 bit times (start bit, 8 data bits, 2 stop bits), bytes queue behind each
// other, and a line without a baud rate carries them at once. Times are
// nanoseconds on any steady clock.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace unitsim {

inline constexpr int kBitsPerByte = 11;

class Wire {
 public:
  explicit Wire(long baud = 0) : baud_(baud) {}
  long Baud() const { return baud_; }
  bool Limited() const { return baud_ > 0; }

  // Time that n bytes take on the wire.
  int64_t Duration(uint64_t n) const;
  // Bytes of a run started at `start` that are through at `now` (at most n).
  uint64_t Through(int64_t start, uint64_t n, int64_t now) const;

  // n bytes handed to the wire at `now`: they start when the wire is free.
  // Returns their start; the last is through at start + Duration(n).
  int64_t Queue(int64_t now, uint64_t n);
  // When the last queued byte is through.
  int64_t FreeAt() const { return freeAt_; }

 private:
  long baud_;
  int64_t freeAt_ = 0;  // times are positive
};

// What a unit measured on its line, for the link benchmark.
struct LinkStats {
  uint64_t BytesReceived = 0;
  uint64_t BytesSent = 0;
  // Time in which at least one direction carried bytes.
  double BusySeconds = 0;
  // From the last byte of an answer reaching the host to the first byte of
  // the host's next command: one sample per answer that a command followed
  // (sequence reports are no answers, raw image data is no command).
  std::vector<double> TurnaroundSeconds;

  // The p-th percentile (0..100) of the turnaround in milliseconds, 0 with
  // no samples.
  double TurnaroundMs(double percentile) const;
};

// Adds line intervals to a busy time without counting overlaps twice
// (intervals come in roughly ascending order).
class BusyTime {
 public:
  void Add(int64_t from, int64_t to);
  double Seconds() const { return static_cast<double>(total_) * 1e-9; }
  void Reset() { total_ = 0; }

 private:
  int64_t until_ = INT64_MIN;
  int64_t total_ = 0;
};

}  // namespace unitsim
