#pragma once
// The write thread of an open port: takes blocks from its own queue and
// writes each one whole, in the order they were queued, and tells the
// hidden window when it has run out of work.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

class TNotifyWindow;

class TWriteThread {
 public:
  TWriteThread(int PortHandle, int StopEvent, TNotifyWindow& NotifyWindow,
               std::atomic<bool>& AllSent);
  ~TWriteThread();
  TWriteThread(const TWriteThread&) = delete;
  TWriteThread& operator=(const TWriteThread&) = delete;

  // False when its wake-up event cannot be made; throws std::system_error
  // when the thread cannot be started.
  bool Start();
  // Returns once the thread has ended (the stop event must be set).
  void WaitFor();

  // Queues a block for writing (from the owner's thread); false once the
  // thread has ended, or if the block could not be queued.
  bool Queue(std::vector<uint8_t>&& Block) noexcept;

  // Bytes queued or taken but not yet written to the port (any thread).
  size_t PendingBytes() const { return Pending.load(); }

  // Drops every queued block and the unwritten rest of the one being
  // written (any thread): none of it reaches the port after this returns.
  // Blocks queued afterwards are written as usual.
  void DropQueued() noexcept;

 private:
  // How a write or the whole loop ended: a quiet end (stop event, handle
  // gone) posts nothing, a failure posts a hang-up notice.
  enum class TEnd { Written, Quiet, Failed };

  void Execute();
  TEnd Run();
  // A block taken for writing, with the drop count at that moment.
  struct TTaken {
    std::vector<uint8_t> Block;
    uint64_t Drops;
  };
  std::optional<TTaken> TakeBlock();
  TEnd WriteAll(const uint8_t* Data, size_t Count, uint64_t DropsAtTake);

  const int PortHandle;
  const int StopEvent;
  TNotifyWindow& NotifyWindow;
  std::atomic<bool>& AllSent;
  // Set by Queue whenever a block is added.
  int WakeEvent = -1;
  std::mutex Lock;
  std::deque<std::vector<uint8_t>> Blocks;
  bool Ended = false;  // guarded by Lock, like Blocks
  // Added under Lock as a block is queued, taken off as its bytes are
  // written (under WriteLock), so it never drops below what is still to go;
  // 0 after a drop.
  std::atomic<size_t> Pending{0};
  // Counted up under Lock by DropQueued: a block taken before a drop is not
  // written further.
  std::atomic<uint64_t> Drops{0};
  // Held around each write to the port with its look at Drops and its
  // count off Pending, so that a drop can wait out a write in progress.
  // Taken after Lock where both are held.
  std::mutex WriteLock;
  std::thread Thread;
};
