// Bytes, notices and hang-ups of the serial port component on a
// pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "PtyFixture.h"
#include "transport/TReadThread.h"

TEST_F(PtyTest, ReceivedBytesArriveInOrderInChunksOfAtMost2048OnTheMainThread) {
  ASSERT_NO_THROW(Comm.OpenPort());
  const std::vector<uint8_t> sent = Pattern(50000, 1);
  ASSERT_TRUE(WriteFromUnit(sent));
  ASSERT_TRUE(PumpUntil([&] { return Log.Received().size() >= sent.size(); }));
  EXPECT_EQ(Log.Received(), sent);
  for (const auto& e : Log.Entries) {
    EXPECT_EQ(e.Thread, std::this_thread::get_id());
    if (e.Kind != 'D') continue;
    EXPECT_GE(e.Bytes.size(), 1u);
    EXPECT_LE(e.Bytes.size(), TReadThread::kChunkSize);
    EXPECT_TRUE(e.TrailingZero);
  }
}

TEST_F(PtyTest, BytesArrivingWhileTheMainThreadIsBusyComeLaterInOrder) {
  ASSERT_NO_THROW(Comm.OpenPort());
  // Written without pumping, in pieces small enough for the line to hold.
  std::vector<uint8_t> sent;
  for (uint32_t piece = 0; piece < 4; ++piece) {
    const std::vector<uint8_t> bytes = Pattern(500, piece + 10);
    ASSERT_EQ(write(Master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    sent.insert(sent.end(), bytes.begin(), bytes.end());
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_TRUE(PumpUntil([&] { return Log.Received().size() >= sent.size(); }));
  EXPECT_EQ(Log.Received(), sent);
}

TEST_F(PtyTest, SentBlocksReachTheUnitWholeAndInCallOrder) {
  ASSERT_NO_THROW(Comm.OpenPort());
  // Sizes from one byte to blocks far larger than the line holds, so the
  // writer has to wait for room in the middle of a block.
  std::vector<uint8_t> expected;
  const size_t sizes[] = {1, 7, 2048, 40000, 3, 32768, 5000, 65535, 70000};
  uint32_t seed = 100;
  for (size_t size : sizes) {
    const std::vector<uint8_t> block = Pattern(size, seed++);
    ASSERT_TRUE(Comm.SendBytes(block.data(), block.size()));
    expected.insert(expected.end(), block.begin(), block.end());
  }
  EXPECT_EQ(ReadAtUnit(expected.size()), expected);
}

TEST_F(PtyTest, SendBytesCopiesTheCallersBytes) {
  ASSERT_NO_THROW(Comm.OpenPort());
  std::vector<uint8_t> bytes = Pattern(30000, 7);
  const std::vector<uint8_t> original = bytes;
  ASSERT_TRUE(Comm.SendBytes(bytes.data(), bytes.size()));
  std::fill(bytes.begin(), bytes.end(), 0xEE);
  EXPECT_EQ(ReadAtUnit(original.size()), original);
}

TEST_F(PtyTest, SendBytesRefusesEmptyBlocksAndClosedPorts) {
  const uint8_t byte = 0x55;
  EXPECT_FALSE(Comm.SendBytes(&byte, 1));
  ASSERT_NO_THROW(Comm.OpenPort());
  EXPECT_FALSE(Comm.SendBytes(&byte, 0));
  EXPECT_FALSE(Comm.SendBytes(nullptr, 4));
  Comm.ClosePort();
  EXPECT_FALSE(Comm.SendBytes(&byte, 1));
}

// What the pacing of a paced download asks: how much has not yet left.
TEST_F(PtyTest, PendingWriteBytesCountsWhatHasNotLeftThePort) {
  EXPECT_EQ(Comm.PendingWriteBytes(), 0u);
  ASSERT_NO_THROW(Comm.OpenPort());
  EXPECT_EQ(Comm.PendingWriteBytes(), 0u);
  // Far more than the line holds while the unit reads nothing.
  const std::vector<uint8_t> first = Pattern(200000, 3);
  const std::vector<uint8_t> second = Pattern(50000, 4);
  ASSERT_TRUE(Comm.SendBytes(first.data(), first.size()));
  ASSERT_TRUE(Comm.SendBytes(second.data(), second.size()));
  const size_t pending = Comm.PendingWriteBytes();
  EXPECT_GT(pending, second.size());
  EXPECT_LE(pending, first.size() + second.size());
  std::vector<uint8_t> expected = first;
  expected.insert(expected.end(), second.begin(), second.end());
  EXPECT_EQ(ReadAtUnit(expected.size()), expected);
  EXPECT_TRUE(PumpUntil([&] { return Comm.PendingWriteBytes() == 0; }));
}

// A line that no longer drains: what is still queued is dropped, the rest
// of the block being written included, and the port goes on with what is
// sent afterwards.
TEST_F(PtyTest, DroppedWritesNeverReachTheLineAndLaterOnesDo) {
  ASSERT_NO_THROW(Comm.OpenPort());
  const std::vector<uint8_t> first = Pattern(200000, 6);
  const std::vector<uint8_t> second = Pattern(50000, 7);
  ASSERT_TRUE(Comm.SendBytes(first.data(), first.size()));
  ASSERT_TRUE(Comm.SendBytes(second.data(), second.size()));
  EXPECT_GT(Comm.PendingWriteBytes(), second.size());
  Comm.DropPendingWrites();
  EXPECT_EQ(Comm.PendingWriteBytes(), 0u);

  const std::vector<uint8_t> later = Pattern(3000, 8);
  ASSERT_TRUE(Comm.SendBytes(later.data(), later.size()));
  std::vector<uint8_t> line;
  ASSERT_TRUE(PumpUntil([&] {
    uint8_t chunk[4096];
    const ssize_t n = read(Master, chunk, sizeof chunk);
    if (n > 0) line.insert(line.end(), chunk, chunk + n);
    return line.size() >= later.size() && std::equal(later.begin(), later.end(), line.end() - later.size());
  }));
  // In front of the later bytes only what had already left for the unit
  // when the rest was dropped: the start of the first block, never its
  // whole, nothing of the second.
  const size_t before = line.size() - later.size();
  EXPECT_LT(before, first.size());
  EXPECT_TRUE(std::equal(line.begin(), line.begin() + static_cast<long>(before), first.begin()));
}

TEST_F(PtyTest, PendingWriteBytesIsZeroOnceClosed) {
  ASSERT_NO_THROW(Comm.OpenPort());
  const std::vector<uint8_t> block = Pattern(200000, 5);
  ASSERT_TRUE(Comm.SendBytes(block.data(), block.size()));
  Comm.ClosePort();
  EXPECT_EQ(Comm.PendingWriteBytes(), 0u);
}

TEST_F(PtyTest, SendDataEmptyComesOnceAfterOpenThenOnceAfterEachRunOfWrites) {
  ASSERT_NO_THROW(Comm.OpenPort());
  ASSERT_TRUE(PumpUntil([&] { return Log.Count('S') == 1; }));

  // A round trip through the line: no second notice without writes.
  ASSERT_TRUE(WriteFromUnit({0x01}));
  ASSERT_TRUE(PumpUntil([&] { return Log.Received().size() == 1; }));
  EXPECT_EQ(Log.Count('S'), 1);
  EXPECT_EQ(Log.Entries.front().Kind, 'S');

  const std::vector<uint8_t> bytes = Pattern(3000, 3);
  ASSERT_TRUE(Comm.SendBytes(bytes.data(), bytes.size()));
  EXPECT_EQ(ReadAtUnit(bytes.size()), bytes);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count('S') == 2; }));

  ASSERT_TRUE(WriteFromUnit({0x02}));
  ASSERT_TRUE(PumpUntil([&] { return Log.Received().size() == 2; }));
  EXPECT_EQ(Log.Count('S'), 2);
  for (const auto& e : Log.Entries) EXPECT_EQ(e.Thread, std::this_thread::get_id());
}

TEST_F(PtyTest, NoticesPostedBeforeClosePortAreStillDelivered) {
  // The write thread reports its empty queue before it can see the stop
  // event, so the notice is queued by the time ClosePort returns.
  ASSERT_NO_THROW(Comm.OpenPort());
  Comm.ClosePort();
  EXPECT_EQ(Log.Count('S'), 0);
  ASSERT_TRUE(PumpUntil([&] { return Log.Count('S') == 1; }));
  EXPECT_FALSE(Comm.IsOpen());
}

TEST_F(PtyTest, NoticesOfAnEarlierOpenNeverReachTheReopenedPort) {
  // The owner's hang-up handler, as the main window's: close while open.
  Comm.OnRequestHangup = [this](TComm* Sender) {
    Log.Entries.push_back({'H', {}, 0, false, std::this_thread::get_id()});
    if (Sender->IsOpen()) Sender->ClosePort();
  };
  // Waits, without running the events, until `count` notices are queued.
  auto queued = [this](size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (Comm.PendingNotices() < count && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return Comm.PendingNotices();
  };
  ASSERT_NO_THROW(Comm.OpenPort());
  // The first open leaves its empty-queue notice, a one-byte chunk and a
  // hang-up queued, none raised yet.
  ASSERT_EQ(queued(1), 1u);
  ASSERT_EQ(write(Master, "o", 1), 1);
  ASSERT_EQ(queued(2), 2u);
  CloseMaster();
  ASSERT_EQ(queued(3), 3u);
  ASSERT_TRUE(Log.Entries.empty());

  // Opened again, on another line, before the queued notices run.
  int master2 = -1, slave2 = -1;
  char name2[256] = {};
  ASSERT_EQ(openpty(&master2, &slave2, name2, nullptr, nullptr), 0);
  Comm.ClosePort();
  Comm.SetCommName(name2);
  ASSERT_NO_THROW(Comm.OpenPort());
  ASSERT_EQ(write(master2, "new", 3), 3);
  PumpUntil([&] { return Log.Received().size() >= 3 || !Comm.IsOpen(); });
  EXPECT_TRUE(Comm.IsOpen());
  EXPECT_EQ(Log.Count('H'), 0);
  EXPECT_EQ(Log.Received(), (std::vector<uint8_t>{'n', 'e', 'w'}));
  EXPECT_EQ(Log.Count('S'), 1);  // the new open's own
  Comm.ClosePort();
  close(master2);
  close(slave2);
}

TEST_F(PtyTest, FarEndClosingRequestsAHangupOnTheMainThread) {
  ASSERT_NO_THROW(Comm.OpenPort());
  ASSERT_TRUE(WriteFromUnit({'b', 'y', 'e'}));
  ASSERT_TRUE(PumpUntil([&] { return Log.Received().size() == 3; }));
  // The owner closes the port in its hang-up handler, as the main window does.
  int closedInHandler = 0;
  Comm.OnRequestHangup = [&](TComm* Sender) {
    EXPECT_EQ(Sender, &Comm);
    EXPECT_EQ(std::this_thread::get_id(), Log.Entries.front().Thread);
    Sender->ClosePort();
    ++closedInHandler;
  };
  CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return closedInHandler == 1; }));
  EXPECT_FALSE(Comm.IsOpen());
  EXPECT_EQ(Log.Count('E'), 0);
}

TEST_F(PtyTest, EachWorkerReportsTheLostLineItself) {
  ASSERT_NO_THROW(Comm.OpenPort());
  ASSERT_TRUE(PumpUntil([&] { return Log.Count('S') == 1; }));
  CloseMaster();
  ASSERT_TRUE(PumpUntil([&] { return Log.Count('H') == 1; }));
  // The idle write thread learns of it with its next write.
  const uint8_t byte = 0x42;
  EXPECT_TRUE(Comm.SendBytes(&byte, 1));
  ASSERT_TRUE(PumpUntil([&] { return Log.Count('H') == 2; }));
  // Its thread has ended: nothing more is taken.
  EXPECT_FALSE(Comm.SendBytes(&byte, 1));
  EXPECT_TRUE(Comm.IsOpen());
  Comm.ClosePort();
  EXPECT_FALSE(Comm.IsOpen());
}

TEST_F(PtyTest, ClosePortWhileAWriteIsPendingEndsWithoutAHangup) {
  ASSERT_NO_THROW(Comm.OpenPort());
  // Far more than the line holds while nobody reads the unit's side.
  const std::vector<uint8_t> big = Pattern(200000, 9);
  ASSERT_TRUE(Comm.SendBytes(big.data(), big.size()));
  ASSERT_TRUE(Comm.SendBytes(big.data(), big.size()));
  Comm.ClosePort();
  EXPECT_FALSE(Comm.IsOpen());
  // A marker through a fresh open shows everything queued has been
  // delivered by now.
  ASSERT_NO_THROW(Comm.OpenPort());
  ASSERT_TRUE(WriteFromUnit({0x7E}));
  ASSERT_TRUE(PumpUntil([&] {
    const auto r = Log.Received();
    return !r.empty() && r.back() == 0x7E;
  }));
  EXPECT_EQ(Log.Count('H'), 0);
}

// Eight components bound to one handler by slot index, as the main window
// binds its eight ports, each talking to its own unit at the same time.
TEST(EightPorts, EachSlotGetsItsOwnBytesInOrder) {
  EnsureApplication();
  constexpr int kSlots = 8;
  struct Unit {
    int Master = -1, Slave = -1;
    std::string Name;
  };
  std::vector<Unit> units(kSlots);
  std::vector<std::unique_ptr<TComm>> ports;
  std::vector<std::vector<uint8_t>> received(kSlots), sent(kSlots);
  auto receive = [&](const uint8_t* Buffer, uint16_t Length, int Slot) {
    received[Slot].insert(received[Slot].end(), Buffer, Buffer + Length);
  };
  for (int slot = 0; slot < kSlots; ++slot) {
    char name[256] = {};
    ASSERT_EQ(openpty(&units[slot].Master, &units[slot].Slave, name, nullptr, nullptr), 0);
    units[slot].Name = name;
    fcntl(units[slot].Master, F_SETFL, fcntl(units[slot].Master, F_GETFL) | O_NONBLOCK);
    ports.push_back(std::make_unique<TComm>());
    ApplyMainWindowSettings(*ports[slot]);
    ports[slot]->SetCommName(name);
    ports[slot]->OnReceiveData = [&, slot](TComm*, const uint8_t* Buffer, uint16_t Length) {
      receive(Buffer, Length, slot);
    };
    ASSERT_NO_THROW(ports[slot]->OpenPort());
  }
  // Each unit answers what its port sends, with its own slot number added.
  for (int slot = 0; slot < kSlots; ++slot) {
    sent[slot] = Pattern(6000 + 100 * slot, 50 + slot);
    ASSERT_TRUE(ports[slot]->SendBytes(sent[slot].data(), sent[slot].size()));
  }
  std::vector<std::vector<uint8_t>> atUnit(kSlots);
  std::vector<size_t> echoed(kSlots, 0);
  ASSERT_TRUE(PumpUntil([&] {
    bool all = true;
    for (int slot = 0; slot < kSlots; ++slot) {
      uint8_t chunk[4096];
      const ssize_t n = read(units[slot].Master, chunk, sizeof chunk);
      for (ssize_t i = 0; i < n; ++i) atUnit[slot].push_back(chunk[i]);
      std::vector<uint8_t> echo(atUnit[slot].begin() + echoed[slot], atUnit[slot].end());
      for (auto& b : echo) b = static_cast<uint8_t>(b + slot);
      const ssize_t w = echo.empty() ? 0 : write(units[slot].Master, echo.data(), echo.size());
      if (w > 0) echoed[slot] += static_cast<size_t>(w);
      all = all && received[slot].size() >= sent[slot].size();
    }
    return all;
  }));
  for (int slot = 0; slot < kSlots; ++slot) {
    EXPECT_EQ(atUnit[slot], sent[slot]) << "slot " << slot;
    std::vector<uint8_t> expected = sent[slot];
    for (auto& b : expected) b = static_cast<uint8_t>(b + slot);
    EXPECT_EQ(received[slot], expected) << "slot " << slot;
    ports[slot]->ClosePort();
    close(units[slot].Master);
    close(units[slot].Slave);
  }
}
