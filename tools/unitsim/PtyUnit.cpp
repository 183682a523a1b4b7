#include "PtyUnit.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <stdlib.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <vector>

namespace unitsim {

namespace {

int64_t NowNs() {
  timespec ts;
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1000000000 + ts.tv_nsec;
}

// Bytes on their way over one direction of the line, from `start` on.
struct Run {
  int64_t start;
  std::vector<uint8_t> bytes;
  size_t done = 0;      // handed on (to the unit, or written to the host)
  bool answer = false;  // holds an answer (not only sequence reports)
};

constexpr size_t kChunk = 256;                      // bytes handed on at a time on a paced line
constexpr int64_t kReadAhead = 1000000;             // read the host's next bytes 1 ms before the wire frees
constexpr int64_t kOutputAhead = 20000000;          // keep 20 ms of answers queued on a paced line
constexpr size_t kUnpacedQueue = 256 * 1024;        // and this much on an unpaced one
constexpr int64_t kRawQuiet = 2000000000;           // a raw transfer is given up after 2 s of silence

// The closing mark of the last frame goes out with the padding behind it, so
// that the host cannot answer before the unit's answer is through.
constexpr size_t kFrameTail = 6;
uint64_t HoldBackTail(uint64_t through, size_t size) {
  if (through < size && size >= kFrameTail && through > size - kFrameTail) return size - kFrameTail;
  return through;
}

}  // namespace

PtyUnit::PtyUnit(UnitConfig config) : unit_(std::move(config)), baud_(unit_.Config().Baud) {}

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
  // Wake-ups on time to the microsecond: they are the wire's byte times.
  ::prctl(PR_SET_TIMERSLACK, 1000UL);
  Wire inWire(baud_), outWire(baud_);
  std::deque<Run> in, out;
  const size_t readCap =
      inWire.Limited() ? std::max<size_t>(64, static_cast<size_t>(baud_ / kBitsPerByte / 250)) : 65536;
  const size_t pullCap =
      outWire.Limited() ? std::max<size_t>(4096, static_cast<size_t>(baud_ / kBitsPerByte / 50)) : kUnpacedQueue;
  size_t outQueued = 0;
  bool answered = false;  // an answer went out since the host's last bytes
  uint64_t answersPulled = 0;
  int64_t lastInput = NowNs();
  int64_t lastOutDone = 0;
  uint64_t lineRead = 0;  // bytes read from the host so far
  std::vector<uint8_t> buf(65536);
  for (;;) {
    int64_t now = NowNs();
    bool hungUp = false;
    bool outputPending = false;
    uint64_t rawExpected = 0;
    bool blocked = false;
    size_t readRoom = readCap;  // what the unit still reads of its line
    {
      std::lock_guard<std::mutex> lock(unitMutex_);
      // A unit that stops reading leaves the host's bytes in the pseudo-terminal.
      if (const int64_t deafAfter = unit_.Config().DeafAfterBytes; deafAfter >= 0) {
        const uint64_t left = static_cast<uint64_t>(deafAfter) - std::min<uint64_t>(deafAfter, lineRead);
        readRoom = static_cast<size_t>(std::min<uint64_t>(readRoom, left));
      }
      // The host's bytes that are through the wire reach the unit.
      while (!in.empty()) {
        Run& r = in.front();
        uint64_t through = inWire.Through(r.start, r.bytes.size(), now);
        if (through > r.done) {
          unit_.Take(r.bytes.data() + r.done, through - r.done);
          stats_.BytesReceived += through - r.done;
          r.done = through;
        }
        if (r.done < r.bytes.size()) break;
        in.pop_front();
      }
      // Answers go onto the wire while little is queued there.
      while (unit_.OutputPending() &&
             (outWire.Limited() ? outWire.FreeAt() - now < kOutputAhead : outQueued < kUnpacedQueue)) {
        std::vector<uint8_t> bytes = unit_.Output(pullCap);
        if (bytes.empty()) break;
        int64_t start = outWire.Queue(now, bytes.size());
        busy_.Add(start, start + outWire.Duration(bytes.size()));
        outQueued += bytes.size();
        bool answer = unit_.AnswersQueued() != answersPulled;
        answersPulled = unit_.AnswersQueued();
        out.push_back(Run{start, std::move(bytes), 0, answer});
      }
      // And leave it for the host once they are through.
      while (!out.empty()) {
        Run& r = out.front();
        uint64_t through = HoldBackTail(outWire.Through(r.start, r.bytes.size(), now), r.bytes.size());
        if (through > r.done) {
          ssize_t n = ::write(master_, r.bytes.data() + r.done, through - r.done);
          if (n > 0) {
            r.done += static_cast<size_t>(n);
            outQueued -= static_cast<size_t>(n);
            stats_.BytesSent += static_cast<uint64_t>(n);
          }
          if (r.done < through) {
            blocked = true;  // the host is not reading
            break;
          }
        }
        if (r.done < r.bytes.size()) break;
        if (r.answer) {
          lastOutDone = std::max(r.start + outWire.Duration(r.bytes.size()), NowNs());
          answered = true;
        }
        out.pop_front();
      }
      outputPending = unit_.OutputPending();
      if (answered && out.empty() && !outputPending) {
        awaitingHost_ = true;
        answerDone_ = lastOutDone;
        answered = false;
      }
      hungUp = unit_.HungUp();
      if (unit_.RawBytesExpected() > 0 && in.empty() && now - std::max(lastInput, inWire.FreeAt()) > kRawQuiet) {
        unit_.AbandonRaw();
      }
      rawExpected = unit_.RawBytesExpected();
    }
    if (hungUp && out.empty() && !outputPending) {
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

    // When something next happens on the line.
    int64_t deadline = INT64_MAX;
    if (!in.empty()) {
      // The next frame mark (a command may end there), the next step of a
      // raw transfer, or the next chunk.
      const Run& r = in.front();
      size_t target = std::min(r.bytes.size(), r.done + kChunk);
      if (rawExpected > 0) target = std::min<uint64_t>(target, r.done + rawExpected);
      auto mark = std::find(r.bytes.begin() + r.done, r.bytes.begin() + target, uint8_t{0xC0});
      if (mark != r.bytes.begin() + target) target = static_cast<size_t>(mark - r.bytes.begin()) + 1;
      deadline = r.start + inWire.Duration(target);
    }
    if (!out.empty() && !blocked) {
      const Run& r = out.front();
      size_t target = std::min(r.bytes.size(), r.done + kChunk);
      if (r.bytes.size() - target < kFrameTail) target = r.bytes.size();
      deadline = std::min(deadline, r.start + outWire.Duration(target));
    }
    if (outputPending) {
      deadline = std::min(deadline, outWire.Limited() ? outWire.FreeAt() - kOutputAhead : now);
      if (!outWire.Limited() && outQueued >= kUnpacedQueue) deadline = INT64_MAX;
    }
    if (rawExpected > 0 && in.empty()) {
      deadline = std::min(deadline, std::max(lastInput, inWire.FreeAt()) + kRawQuiet + 1);
    }
    bool wantRead = readRoom > 0 && inWire.FreeAt() - now < kReadAhead;
    if (readRoom > 0 && !wantRead) deadline = std::min(deadline, inWire.FreeAt() - kReadAhead);

    pollfd fds[2] = {{master_, static_cast<short>((wantRead ? POLLIN : 0) | (blocked ? POLLOUT : 0)), 0},
                     {wake_, POLLIN, 0}};
    timespec wait{};
    timespec* timeout = nullptr;
    if (deadline != INT64_MAX) {
      int64_t d = std::max<int64_t>(0, deadline - NowNs());
      wait.tv_sec = d / 1000000000;
      wait.tv_nsec = d % 1000000000;
      timeout = &wait;
    }
    if (::ppoll(fds, 2, timeout, nullptr) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents) {
      uint64_t count;
      (void)!::read(wake_, &count, sizeof count);
      if (stopping_) return;  // unplugged
      continue;               // the unit was changed: it may have something to send
    }
    if (wantRead && (fds[0].revents & POLLIN)) {
      ssize_t n = ::read(master_, buf.data(), std::min(buf.size(), readRoom));
      if (n > 0) {
        int64_t t = NowNs();
        lastInput = t;
        lineRead += static_cast<uint64_t>(n);
        std::lock_guard<std::mutex> lock(unitMutex_);
        // Raw data (a paced image stream) is no command: its gaps are the
        // host's pacing, not its turnaround.
        if (awaitingHost_ && inWire.FreeAt() <= t && unit_.RawBytesExpected() == 0) {
          stats_.TurnaroundSeconds.push_back(static_cast<double>(std::max<int64_t>(0, t - answerDone_)) * 1e-9);
        }
        awaitingHost_ = false;
        answered = false;
        int64_t start = inWire.Queue(t, static_cast<uint64_t>(n));
        busy_.Add(start, start + inWire.Duration(static_cast<uint64_t>(n)));
        in.push_back(Run{start, std::vector<uint8_t>(buf.begin(), buf.begin() + n)});
      }
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
    stopping_ = true;
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

void PtyUnit::Change(const std::function<void(SimUnit&)>& f) {
  {
    std::lock_guard<std::mutex> lock(unitMutex_);
    f(unit_);
  }
  if (wake_ >= 0) {
    uint64_t one = 1;
    (void)!::write(wake_, &one, sizeof one);
  }
}

LinkStats PtyUnit::Stats() {
  std::lock_guard<std::mutex> lock(unitMutex_);
  LinkStats s = stats_;
  s.BusySeconds = busy_.Seconds();
  return s;
}

void PtyUnit::ResetStats() {
  std::lock_guard<std::mutex> lock(unitMutex_);
  stats_ = LinkStats{};
  busy_.Reset();
  awaitingHost_ = false;
}

}  // namespace unitsim
