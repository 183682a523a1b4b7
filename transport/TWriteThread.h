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

 private:
  // How a write or the whole loop ended: a quiet end (stop event, handle
  // gone) posts nothing, a failure posts a hang-up notice.
  enum class TEnd { Written, Quiet, Failed };

  void Execute();
  TEnd Run();
  std::optional<std::vector<uint8_t>> TakeBlock();
  TEnd WriteAll(const uint8_t* Data, size_t Count);

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
  // written, so it never drops below what is still to go.
  std::atomic<size_t> Pending{0};
  std::thread Thread;
};
