#pragma once
// A pseudo-terminal pair standing in for a programmer unit: the component
// opens the slave side by name, the test plays the unit on the master side.
#include <QCoreApplication>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "transport/TComm.h"

inline void EnsureApplication() {
  static int argc = 1;
  static char name[] = "transport_tests";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
}

// Declared before any component, so the application exists first.
struct ApplicationGuard {
  ApplicationGuard() { EnsureApplication(); }
};

// Pumps the event loop until Done holds or the (generous) limit passes;
// returns Done's last answer. The limit only keeps a broken build from
// hanging: nothing is measured.
inline bool PumpUntil(const std::function<bool()>& Done,
                      std::chrono::milliseconds Limit = std::chrono::seconds(20)) {
  const auto deadline = std::chrono::steady_clock::now() + Limit;
  while (!Done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The settings every slot's port carries in the main window.
inline void ApplyMainWindowSettings(TComm& Comm) {
  Comm.SetBaudRate(1000000);
  Comm.SetDtrControl(TDtrControl::DtrDisable);
  Comm.SetRtsControl(TRtsControl::RtsDisable);
  Comm.SetTxContinueOnXoff(false);
  Comm.SetOutx_XonXoffFlow(false);
  Comm.SetInx_XonXoffFlow(false);
  Comm.SetXonLimit(10);
  Comm.SetXoffLimit(10);
  Comm.SetStopBits(TStopBits::_2);
  Comm.SetXonChar('0');
  Comm.SetXoffChar('0');
  Comm.SetReadIntervalTimeout(3);
}

// Everything the component raised, in order, with the raising thread.
struct EventLog {
  struct Entry {
    char Kind;  // 'D' data, 'E' error, 'M' modem, 'H' hang-up, 'S' send empty
    std::vector<uint8_t> Bytes;
    uint32_t Value = 0;
    bool TrailingZero = false;
    std::thread::id Thread;
  };
  std::vector<Entry> Entries;

  void Bind(TComm& Comm) {
    Comm.OnReceiveData = [this](TComm*, const uint8_t* Buffer, uint16_t Length) {
      Entries.push_back({'D', {Buffer, Buffer + Length}, Length, Buffer[Length] == 0,
                         std::this_thread::get_id()});
    };
    Comm.OnReceiveError = [this](TComm*, uint32_t Mask) {
      Entries.push_back({'E', {}, Mask, false, std::this_thread::get_id()});
    };
    Comm.OnModemStateChange = [this](TComm*, uint32_t Value) {
      Entries.push_back({'M', {}, Value, false, std::this_thread::get_id()});
    };
    Comm.OnRequestHangup = [this](TComm*) {
      Entries.push_back({'H', {}, 0, false, std::this_thread::get_id()});
    };
    Comm.OnSendDataEmpty = [this](TComm*) {
      Entries.push_back({'S', {}, 0, false, std::this_thread::get_id()});
    };
  }
  int Count(char Kind) const {
    int n = 0;
    for (const auto& e : Entries) n += e.Kind == Kind;
    return n;
  }
  std::vector<uint8_t> Received() const {
    std::vector<uint8_t> all;
    for (const auto& e : Entries)
      if (e.Kind == 'D') all.insert(all.end(), e.Bytes.begin(), e.Bytes.end());
    return all;
  }
};

inline int OpenDescriptorCount() {
  int n = 0;
  for (int fd = 0; fd < 4096; ++fd) n += fcntl(fd, F_GETFD) != -1;
  return n;
}

inline std::vector<uint8_t> Pattern(size_t Count, uint32_t Seed) {
  std::vector<uint8_t> bytes(Count);
  uint32_t x = Seed * 2654435761u + 1;
  for (auto& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = static_cast<uint8_t>(x >> 16);
  }
  return bytes;
}

class PtyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256] = {};
    ASSERT_EQ(openpty(&Master, &Slave, name, nullptr, nullptr), 0);
    SlaveName = name;
    fcntl(Master, F_SETFL, fcntl(Master, F_GETFL) | O_NONBLOCK);
    ApplyMainWindowSettings(Comm);
    Comm.SetCommName(SlaveName);
    Log.Bind(Comm);
  }
  void TearDown() override {
    Comm.ClosePort();
    CloseMaster();
    if (Slave >= 0) close(Slave);
  }
  void CloseMaster() {
    if (Master >= 0) close(Master);
    Master = -1;
  }

  // Writes all bytes to the master side, pumping events while the line is
  // full.
  bool WriteFromUnit(const std::vector<uint8_t>& Bytes) {
    size_t done = 0;
    return PumpUntil([&] {
      const ssize_t n = write(Master, Bytes.data() + done, Bytes.size() - done);
      if (n > 0) done += static_cast<size_t>(n);
      return done == Bytes.size();
    });
  }
  // Reads Count bytes from the master side, pumping events meanwhile.
  std::vector<uint8_t> ReadAtUnit(size_t Count) {
    std::vector<uint8_t> bytes;
    PumpUntil([&] {
      uint8_t chunk[4096];
      const ssize_t n = read(Master, chunk, sizeof chunk);
      if (n > 0) bytes.insert(bytes.end(), chunk, chunk + n);
      return bytes.size() >= Count;
    });
    return bytes;
  }

  int Master = -1;
  int Slave = -1;  // kept open to read the line settings back
  std::string SlaveName;
  ApplicationGuard Application;
  TComm Comm;
  EventLog Log;
};
