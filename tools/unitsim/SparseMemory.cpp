#include "SparseMemory.h"

#include <algorithm>
#include <cstring>

namespace unitsim {

SparseMemory::SparseMemory(uint64_t capacity)
    : capacity_(capacity), pieces_((capacity + kPiece - 1) / kPiece) {}

bool SparseMemory::Write(uint64_t address, const uint8_t* data, size_t length) {
  if (address > capacity_ || length > capacity_ - address) return false;
  while (length > 0) {
    size_t index = address / kPiece;
    size_t offset = address % kPiece;
    size_t n = std::min(length, kPiece - offset);
    auto& piece = pieces_[index];
    if (!piece) {
      piece = std::make_unique<uint8_t[]>(kPiece);
      std::memset(piece.get(), kErased, kPiece);
    }
    std::memcpy(piece.get() + offset, data, n);
    address += n;
    data += n;
    length -= n;
  }
  return true;
}

void SparseMemory::Read(uint64_t address, uint8_t* out, size_t length) const {
  while (length > 0) {
    size_t index = address / kPiece;
    size_t offset = address % kPiece;
    size_t n = std::min(length, kPiece - offset);
    if (index < pieces_.size() && pieces_[index]) {
      std::memcpy(out, pieces_[index].get() + offset, n);
    } else {
      std::memset(out, kErased, n);
    }
    address += n;
    out += n;
    length -= n;
  }
}

std::vector<uint8_t> SparseMemory::Read(uint64_t address, size_t length) const {
  std::vector<uint8_t> out(length);
  Read(address, out.data(), length);
  return out;
}

uint8_t SparseMemory::At(uint64_t address) const {
  uint8_t b;
  Read(address, &b, 1);
  return b;
}

void SparseMemory::Erase() {
  for (auto& piece : pieces_) piece.reset();
}

bool SparseMemory::IsErased(uint64_t address, uint64_t length) const {
  uint64_t end = std::min(capacity_, address + length);
  while (address < end) {
    size_t index = address / kPiece;
    size_t offset = address % kPiece;
    size_t n = static_cast<size_t>(std::min<uint64_t>(end - address, kPiece - offset));
    if (const auto& piece = pieces_[index]) {
      const uint8_t* p = piece.get() + offset;
      if (std::any_of(p, p + n, [](uint8_t b) { return b != kErased; })) return false;
    }
    address += n;
  }
  return true;
}

}  // namespace unitsim
