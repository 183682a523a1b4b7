#pragma once
// A byte store of up to a fixed capacity whose unwritten bytes read as the
// erased value 0xFF. Memory is taken in 64 KB pieces only where something was
// written, so a unit can hold a 128 MiB chip without allocating it up front.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace unitsim {

class SparseMemory {
 public:
  static constexpr size_t kPiece = 64 * 1024;
  static constexpr uint8_t kErased = 0xFF;

  explicit SparseMemory(uint64_t capacity);

  uint64_t Capacity() const { return capacity_; }

  // Writes length bytes at address; false (nothing written) when the range
  // leaves the capacity.
  bool Write(uint64_t address, const uint8_t* data, size_t length);
  // Copies length bytes from address into out; bytes past the capacity read
  // as erased.
  void Read(uint64_t address, uint8_t* out, size_t length) const;
  std::vector<uint8_t> Read(uint64_t address, size_t length) const;
  uint8_t At(uint64_t address) const;

  // Every byte back to the erased value.
  void Erase();
  // True when every byte of [address, address + length) is erased.
  bool IsErased(uint64_t address, uint64_t length) const;

 private:
  uint64_t capacity_;
  std::vector<std::unique_ptr<uint8_t[]>> pieces_;
};

}  // namespace unitsim
