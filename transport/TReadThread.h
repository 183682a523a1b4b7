#pragma once
// The read thread of an open port: waits on the port and the stop event,
// hands each received chunk (at most 2048 bytes) to the hidden window, and
// reports line errors, modem changes and the loss of the line.
#include <cstddef>
#include <cstdint>
#include <latch>
#include <thread>

#include "transport/LineCounters.h"

class TNotifyWindow;

class TReadThread {
 public:
  static constexpr size_t kChunkSize = 2048;

  TReadThread(int PortHandle, int StopEvent, TNotifyWindow& NotifyWindow);
  ~TReadThread();
  TReadThread(const TReadThread&) = delete;
  TReadThread& operator=(const TReadThread&) = delete;

  // Starts the thread held back, as one created suspended: it touches the
  // port only after Resume. Throws std::system_error when no thread can be
  // started.
  void Start();
  void Resume();
  // Returns once the thread has ended (the stop event must be set). A thread
  // never resumed is let go first and ends without reading.
  void WaitFor();

 private:
  void Execute();
  bool HandOverChunk(const uint8_t* Bytes, size_t Count);
  bool ReportLineEvents();

  const int PortHandle;
  const int StopEvent;
  TNotifyWindow& NotifyWindow;
  // Line counters are watched only where the driver keeps them.
  bool WatchLine = false;
  serial::TLineCounters Counters;
  std::latch Resumed{1};
  bool ResumeGiven = false;  // the owner's thread only
  std::thread Thread;
};
