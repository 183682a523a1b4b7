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

std::optional<std::vector<uint8_t>> TWriteThread::TakeBlock() {
  std::lock_guard guard(Lock);
  if (Blocks.empty()) return std::nullopt;
  std::vector<uint8_t> block = std::move(Blocks.front());
  Blocks.pop_front();
  return block;
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
    std::optional<std::vector<uint8_t>> block = TakeBlock();
    if (!block) {
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
    const TEnd written = WriteAll(block->data(), block->size());
    if (written != TEnd::Written) return written;
    reportWhenEmpty = true;
  }
}

TWriteThread::TEnd TWriteThread::WriteAll(const uint8_t* Data, size_t Count) {
  pollfd waitList[2] = {{StopEvent, POLLIN, 0}, {PortHandle, POLLOUT, 0}};
  size_t offset = 0;
  while (offset < Count) {
    const ssize_t written = write(PortHandle, Data + offset, Count - offset);
    if (written > 0) {
      offset += static_cast<size_t>(written);
      Pending -= static_cast<size_t>(written);
      continue;
    }
    if (written < 0) {
      if (errno == EINTR) continue;
      if (errno == EBADF) return TEnd::Quiet;  // the handle is gone
      if (errno != EAGAIN) return TEnd::Failed;
    }
    // The driver's queue is full: wait for room or for the stop event.
    if (poll(waitList, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return TEnd::Failed;
    }
    if (waitList[0].revents != 0) return TEnd::Quiet;  // stopped
    const short portEvents = waitList[1].revents;
    if (portEvents & POLLNVAL) return TEnd::Quiet;
    if (!(portEvents & POLLOUT) && (portEvents & (POLLHUP | POLLERR))) return TEnd::Failed;
  }
  return TEnd::Written;
}
