#include "PtyUnit.h"

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace unitsim {

PtyUnit::PtyUnit(UnitConfig config) : unit_(std::move(config)) {}

PtyUnit::~PtyUnit() { Unplug(); }

bool PtyUnit::Start(std::string& error) {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
    CloseEnds();
    return false;
  }
  path_ = ::ptsname(master_);
  slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios tio{};
  if (slave_ < 0 || ::tcgetattr(slave_, &tio) != 0) {
    error = "cannot open " + path_ + ": " + std::strerror(errno);
    CloseEnds();
    return false;
  }
  // A unit's line carries bytes, nothing else: no echo, no line editing.
  ::cfmakeraw(&tio);
  ::tcsetattr(slave_, TCSANOW, &tio);
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  plugged_ = true;
  thread_ = std::thread([this] { Serve(); });
  return true;
}

void PtyUnit::Serve() {
  std::vector<uint8_t> pending;
  uint8_t buf[4096];
  for (;;) {
    pollfd fds[2] = {{master_, static_cast<short>(POLLIN | (pending.empty() ? 0 : POLLOUT)), 0},
                     {wake_, POLLIN, 0}};
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) return;  // unplugged
    if (fds[0].revents & POLLIN) {
      ssize_t n = ::read(master_, buf, sizeof buf);
      if (n > 0) {
        std::lock_guard<std::mutex> lock(unitMutex_);
        auto answer = unit_.Feed(buf, static_cast<size_t>(n));
        pending.insert(pending.end(), answer.begin(), answer.end());
      }
    }
    if (!pending.empty() && (fds[0].revents & POLLOUT || fds[0].revents & POLLIN)) {
      ssize_t n = ::write(master_, pending.data(), pending.size());
      if (n > 0) pending.erase(pending.begin(), pending.begin() + n);
    }
    bool hungUp;
    {
      std::lock_guard<std::mutex> lock(unitMutex_);
      hungUp = unit_.HungUp();
    }
    if (hungUp && pending.empty()) {
      // Give the host its last answer before the line drops (a hang-up
      // throws away what the host has not read yet).
      // Written bytes reach the host's queue a moment later.
      ::usleep(50000);
      for (int i = 0; i < 50; ++i) {
        int queued = 0;
        if (::ioctl(slave_, FIONREAD, &queued) != 0 || queued == 0) break;
        ::usleep(10000);
      }
      // The unit drops the line: both ends go, as when a cable is pulled.
      plugged_ = false;
      CloseEnds();
      return;
    }
  }
}

void PtyUnit::CloseEnds() {
  if (slave_ >= 0) ::close(slave_);
  if (master_ >= 0) ::close(master_);
  slave_ = master_ = -1;
}

void PtyUnit::Unplug() {
  if (thread_.joinable()) {
    uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
    thread_.join();
  }
  plugged_ = false;
  CloseEnds();
  if (wake_ >= 0) ::close(wake_);
  wake_ = -1;
}

void PtyUnit::Inspect(const std::function<void(const SimUnit&)>& f) {
  std::lock_guard<std::mutex> lock(unitMutex_);
  f(unit_);
}

}  // namespace unitsim
