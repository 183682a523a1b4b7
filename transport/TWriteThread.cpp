#include "transport/TWriteThread.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "transport/EventFd.h"
#include "transport/NotifyWindow.h"
#include "transport/SerialDevice.h"
#include "transport/WorkerPriority.h"

TWriteThread::TWriteThread(int PortHandle, int StopEvent, TNotifyWindow& NotifyWindow,
                           std::atomic<bool>& AllSent)
    : PortHandle(PortHandle), StopEvent(StopEvent), NotifyWindow(NotifyWindow), AllSent(AllSent) {}

TWriteThread::~TWriteThread() {
  WaitFor();
  serial::CloseEvent(WakeEvent);
}

bool TWriteThread::Start() {
  WakeEvent = serial::CreateEvent();
  if (WakeEvent < 0) return false;
  Thread = std::thread([this] { Execute(); });
  return true;
}

void TWriteThread::WaitFor() {
  if (Thread.joinable()) Thread.join();
}

bool TWriteThread::Queue(std::vector<uint8_t>&& Block) noexcept {
  try {
    std::lock_guard guard(Lock);
    if (Ended) return false;
    const size_t size = Block.size();
    Blocks.push_back(std::move(Block));
    Pending += size;
  } catch (...) {
    return false;
  }
  serial::SetEvent(WakeEvent);
  return true;
}

void TWriteThread::DropQueued() noexcept {
  {
    // Lock keeps blocks from being queued meanwhile; WriteLock waits out a
    // write in progress, and every later write sees the drop. What is
    // pending then is all dropped.
    std::lock_guard guard(Lock);
    std::lock_guard writing(WriteLock);
    Blocks.clear();
    ++Drops;
    Pending = 0;
  }
  // A write that waits for room in the driver looks again.
  serial::SetEvent(WakeEvent);
}

std::optional<TWriteThread::TTaken> TWriteThread::TakeBlock() {
  std::lock_guard guard(Lock);
  if (Blocks.empty()) return std::nullopt;
  TTaken taken{std::move(Blocks.front()), Drops.load()};
  Blocks.pop_front();
  return taken;
}

void TWriteThread::Execute() {
  serial::RaiseThreadPriority(1);
  const TEnd end = Run();
  {
    // From here on nothing is taken, and blocks that will never be written
    // are released now.
    std::lock_guard guard(Lock);
    Ended = true;
    Blocks.clear();
    Pending = 0;
  }
  serial::Flush(PortHandle, TCOFLUSH);
  AllSent = true;
  // Posted last, so that SendBytes already refuses when the owner hears it.
  if (end == TEnd::Failed) NotifyWindow.PostHangup();
}

TWriteThread::TEnd TWriteThread::Run() {
  // The first empty queue, right after the open, is reported too.
  bool reportWhenEmpty = true;
  pollfd waitList[2] = {{StopEvent, POLLIN, 0}, {WakeEvent, POLLIN, 0}};
  for (;;) {
    std::optional<TTaken> taken = TakeBlock();
    if (!taken) {
      AllSent = true;
      if (reportWhenEmpty) {
        if (!NotifyWindow.PostValue(MsgSendDataEmpty, 0)) return TEnd::Failed;
        reportWhenEmpty = false;
      }
      if (poll(waitList, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return TEnd::Failed;
      }
      if (waitList[0].revents != 0) return TEnd::Quiet;
      if (!(waitList[1].revents & POLLIN)) return TEnd::Failed;
      serial::ClearEvent(WakeEvent);
      continue;
    }
    if (serial::IsEventSet(StopEvent)) return TEnd::Quiet;
    const TEnd written = WriteAll(taken->Block.data(), taken->Block.size(), taken->Drops);
    if (written != TEnd::Written) return written;
    reportWhenEmpty = true;
  }
}

TWriteThread::TEnd TWriteThread::WriteAll(const uint8_t* Data, size_t Count, uint64_t DropsAtTake) {
  // The wake event also ends a wait for room: a drop may have come. Run
  // looks at the queue before it waits, so clearing the event here loses
  // no block.
  pollfd waitList[3] = {{StopEvent, POLLIN, 0}, {PortHandle, POLLOUT, 0}, {WakeEvent, POLLIN, 0}};
  size_t offset = 0;
  while (offset < Count) {
    ssize_t written;
    int error;
    {
      std::lock_guard writing(WriteLock);
      // Dropped: the rest stays unwritten (and off Pending already).
      if (Drops.load() != DropsAtTake) return TEnd::Written;
      written = write(PortHandle, Data + offset, Count - offset);
      error = errno;
      if (written > 0) Pending -= static_cast<size_t>(written);
    }
    if (written > 0) {
      offset += static_cast<size_t>(written);
      continue;
    }
    if (written < 0) {
      if (error == EINTR) continue;
      if (error == EBADF) return TEnd::Quiet;  // the handle is gone
      if (error != EAGAIN) return TEnd::Failed;
    }
    // The driver's queue is full: wait for room, a drop or the stop event.
    if (poll(waitList, 3, -1) < 0) {
      if (errno == EINTR) continue;
      return TEnd::Failed;
    }
    if (waitList[0].revents != 0) return TEnd::Quiet;  // stopped
    if (waitList[2].revents & POLLIN) serial::ClearEvent(WakeEvent);
    const short portEvents = waitList[1].revents;
    if (portEvents & POLLNVAL) return TEnd::Quiet;
    if (!(portEvents & POLLOUT) && (portEvents & (POLLHUP | POLLERR))) return TEnd::Failed;
  }
  return TEnd::Written;
}
