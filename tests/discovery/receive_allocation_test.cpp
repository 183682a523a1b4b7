// The receive path takes no memory from the heap: a unit's frames are cut,
// decoded and handed on inside the slot's own buffers. This program counts
// every allocation made while a chunk goes through the receive cycle.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "SimFraming.h"
#include "protocol/JobState.h"
#include "protocol/ReceiveBuffer.h"

namespace {
std::atomic<bool> counting{false};
std::atomic<int> allocations{0};
}  // namespace

// The replacements pair malloc with free; the compiler cannot see that they
// replace each other and would warn of a mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(size_t size) {
  if (counting) ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace {

using Bytes = std::vector<uint8_t>;

// An answer with `status` and a sound check value, or a spoilt one.
Bytes AnswerFrame(uint8_t status, bool badCheck) {
  Bytes packet{0x93, 0, 0, 0, 0, 0, 1, 0, status};
  uint16_t check = unitsim::CheckValue(packet.data(), packet.size());
  if (badCheck) check ^= 0x5A5A;
  packet.push_back(static_cast<uint8_t>(check));
  packet.push_back(static_cast<uint8_t>(check >> 8));
  Bytes frame;
  unitsim::AppendFrame(packet, frame);
  return frame;
}

TEST(ReceivePath, CutsDecodesAndHandsOnFramesWithoutAllocating) {
  auto js = std::make_unique<JobState>();
  const int slot = 3;
  InitSlotTables(*js, {}, {});
  js->SlotConnected[slot] = 1;  // an idle unit: its answers are judged and dropped
  Bytes line;
  for (int i = 0; i < 40; ++i) {
    const Bytes frame = AnswerFrame(i % 3 == 0 ? 0x15 : 0, i % 5 == 0);
    line.insert(line.end(), frame.begin(), frame.end());
    if (i % 7 == 0) line.insert(line.end(), {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38});
  }
  int frames = 0;
  auto countAndHandle = [&frames](JobState& j, const ReceivedFrame& f, int s) {
    ++frames;
    HandleReceivedFrame(j, f, s);
  };
  counting = true;
  // In chunks that cut frames in two, and in one large delivery.
  for (size_t at = 0; at < line.size(); at += 37) {
    const size_t n = std::min<size_t>(37, line.size() - at);
    ReceiveSlotChunk(*js, line.data() + at, n, slot, countAndHandle);
  }
  ReceiveSlotChunk(*js, line.data(), line.size(), slot);
  counting = false;
  EXPECT_EQ(allocations.load(), 0);
  EXPECT_EQ(frames, 40);  // every answer was cut, decoded and handed on
}

}  // namespace
