#include "transport/TReadThread.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>

#include "transport/NotifyWindow.h"
#include "transport/SerialDevice.h"
#include "transport/WorkerPriority.h"

namespace {
// Modem changes come without bytes, so a port whose driver keeps line
// counters is also looked at this often while it is quiet.
constexpr int kLineWatchMs = 100;
}  // namespace

TReadThread::TReadThread(int PortHandle, int StopEvent, TNotifyWindow& NotifyWindow)
    : PortHandle(PortHandle), StopEvent(StopEvent), NotifyWindow(NotifyWindow) {}

TReadThread::~TReadThread() { WaitFor(); }

void TReadThread::Start() {
  // Counting starts with the open: earlier events are not reported.
  WatchLine = serial::ReadLineCounters(PortHandle, Counters);
  Thread = std::thread([this] { Execute(); });
}

void TReadThread::Resume() {
  if (ResumeGiven) return;
  ResumeGiven = true;
  Resumed.count_down();
}

void TReadThread::WaitFor() {
  Resume();
  if (Thread.joinable()) Thread.join();
}

void TReadThread::Execute() {
  Resumed.wait();
  serial::RaiseThreadPriority(2);
  uint8_t buffer[kChunkSize];
  pollfd waitList[2] = {{StopEvent, POLLIN, 0}, {PortHandle, POLLIN, 0}};
  for (;;) {
    const int ready = poll(waitList, 2, WatchLine ? kLineWatchMs : -1);
    if (ready < 0) {
      if (errno == EINTR) continue;
      NotifyWindow.PostHangup();
      break;
    }
    if (waitList[0].revents != 0) break;  // stopped: no notice
    const short portEvents = waitList[1].revents;
    if (portEvents & POLLNVAL) break;  // the handle is gone: a quiet end
    if (portEvents != 0) {
      // One read per wake-up, so the stop event is seen between chunks.
      const ssize_t count = read(PortHandle, buffer, sizeof buffer);
      if (count > 0) {
        if (!HandOverChunk(buffer, static_cast<size_t>(count))) break;
      } else if (count < 0 && errno == EBADF) {
        break;
      } else if (count == 0 || (errno != EAGAIN && errno != EINTR) ||
                 (portEvents & (POLLHUP | POLLERR))) {
        // End of file is how a hung-up terminal or an unplugged adapter
        // reads; a pseudo-terminal whose far end closed fails with EIO.
        NotifyWindow.PostHangup();
        break;
      }
    }
    if (WatchLine && !ReportLineEvents()) break;
  }
  serial::Flush(PortHandle, TCIFLUSH);
}

bool TReadThread::HandOverChunk(const uint8_t* Bytes, size_t Count) {
  TNotice notice;
  notice.Message = MsgReceiveData;
  notice.Value = static_cast<uint32_t>(Count);
  // Zero-filled, so the byte after the data is 0.
  notice.Block.reset(new (std::nothrow) uint8_t[Count + 1]());
  if (!notice.Block) {
    NotifyWindow.PostHangup();
    return false;
  }
  std::memcpy(notice.Block.get(), Bytes, Count);
  if (!NotifyWindow.Post(std::move(notice))) {
    NotifyWindow.PostHangup();
    return false;
  }
  return true;
}

// An error is reported before a modem change seen at the same time.
bool TReadThread::ReportLineEvents() {
  serial::TLineCounters now;
  if (!serial::ReadLineCounters(PortHandle, now)) {
    // A port that has gone is reported by its next read.
    WatchLine = false;
    return true;
  }
  const uint32_t errors = serial::LineErrorFlags(Counters, now);
  const uint32_t modem = serial::ModemChange(Counters, now);
  Counters = now;
  if (errors != 0 && !NotifyWindow.PostValue(MsgReceiveError, errors)) {
    NotifyWindow.PostHangup();
    return false;
  }
  if (modem != 0 && !NotifyWindow.PostValue(MsgModemState, modem)) {
    NotifyWindow.PostHangup();
    return false;
  }
  return true;
}
