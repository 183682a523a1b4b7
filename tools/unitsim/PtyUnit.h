#pragma once
// One simulated unit on a pseudo-terminal: the host program opens the device
// path like a real unit's port. The far end stays open until the unit is
// unplugged (or hangs up by itself as a fault), which the host sees as the
// line going away.
//
// With a baud rate in the unit's configuration the line keeps the real
// link's timing in both directions: the host's bytes reach the unit only as
// fast as the wire carries them (the rest waits in the pseudo-terminal, so
// the host's write queue drains at the wire's pace), and answers reach the
// host byte for byte at the wire's pace.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "LinkModel.h"
#include "SimUnit.h"

namespace unitsim {

class PtyUnit {
 public:
  explicit PtyUnit(UnitConfig config = {});
  ~PtyUnit();
  PtyUnit(const PtyUnit&) = delete;
  PtyUnit& operator=(const PtyUnit&) = delete;

  // Creates the pseudo-terminal in raw mode and starts serving it. False,
  // with the reason in error, when the system refuses.
  bool Start(std::string& error);
  const std::string& DevicePath() const { return path_; }

  // Closes the far end; the device path goes away.
  void Unplug();
  bool Plugged() const { return plugged_; }

  // Runs f on the unit while no bytes are being handled: to read its chip
  // memory and stored image, or (Change) to set faults while it runs or have
  // it send something by itself. The baud rate stays as started.
  void Inspect(const std::function<void(const SimUnit&)>& f);
  void Change(const std::function<void(SimUnit&)>& f);

  // What the unit measured on its line since the start or the last reset.
  LinkStats Stats();
  // Starts the figures afresh; the host's next bytes are no turnaround.
  void ResetStats();

 private:
  void Serve();
  void CloseEnds();

  SimUnit unit_;
  const long baud_;
  std::mutex unitMutex_;  // guards unit_, stats_, busy_, awaitingHost_
  LinkStats stats_;
  BusyTime busy_;
  bool awaitingHost_ = false;  // an answer went out; the host's next bytes end a turnaround
  int64_t answerDone_ = 0;
  std::string path_;
  int master_ = -1;
  int slave_ = -1;  // held so that the line stays up while the host has it closed
  int wake_ = -1;
  std::atomic<bool> plugged_{false};
  std::atomic<bool> stopping_{false};
  std::thread thread_;
};

}  // namespace unitsim
