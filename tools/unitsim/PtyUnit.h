#pragma once
// One simulated unit on a pseudo-terminal: the host program opens the device
// path like a real unit's port. The far end stays open until the unit is
// unplugged (or hangs up by itself as a fault), which the host sees as the
// line going away.
#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

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

  // Runs f on the unit while no bytes are being handled.
  void Inspect(const std::function<void(const SimUnit&)>& f);

 private:
  void Serve();
  void CloseEnds();

  SimUnit unit_;
  std::mutex unitMutex_;
  std::string path_;
  int master_ = -1;
  int slave_ = -1;  // held so that the line stays up while the host has it closed
  int wake_ = -1;
  std::atomic<bool> plugged_{false};
  std::thread thread_;
};

}  // namespace unitsim
