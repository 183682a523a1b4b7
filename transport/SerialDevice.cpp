#include "transport/SerialDevice.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>
#include <utility>

#include "transport/SerialSpeed.h"

namespace serial {

namespace {

constexpr std::pair<uint32_t, speed_t> kSpeedConstants[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000},
};

bool SpeedConstant(uint32_t BaudRate, speed_t& Constant) {
  for (const auto& [rate, constant] : kSpeedConstants) {
    if (rate == BaudRate) {
      Constant = constant;
      return true;
    }
  }
  return false;
}

tcflag_t ByteSizeFlag(TByteSize Size) {
  switch (Size) {
    case TByteSize::_5: return CS5;
    case TByteSize::_6: return CS6;
    case TByteSize::_7: return CS7;
    case TByteSize::_8: return CS8;
  }
  return CS8;
}

tcflag_t ParityFlags(TParity Parity) {
  switch (Parity) {
    case TParity::None: return 0;
    case TParity::Odd: return PARENB | PARODD;
    case TParity::Even: return PARENB;
    case TParity::Mark: return PARENB | CMSPAR | PARODD;
    case TParity::Space: return PARENB | CMSPAR;
  }
  return 0;
}

void SetModemLine(int Fd, int Line, bool Raised) {
  // Pseudo-terminals and some adapters have no modem lines: ignored.
  (void)ioctl(Fd, Raised ? TIOCMBIS : TIOCMBIC, &Line);
}

}  // namespace

std::string DevicePath(const std::string& CommName) {
  if (CommName.find('/') != std::string::npos) return CommName;
  return "/dev/" + CommName;
}

TOpenResult OpenDevice(const std::string& Path) {
  // The failure with its errno, taken before close() may change it.
  auto fail = [](int fd, TOpenFailure failure, int error) {
    if (fd >= 0) close(fd);
    return TOpenResult{-1, failure, error};
  };
  const int fd = open(Path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return fail(fd, TOpenFailure::CannotOpen, errno);
  struct stat info {};
  if (fstat(fd, &info) != 0) return fail(fd, TOpenFailure::NotCharDevice, errno);
  if (!S_ISCHR(info.st_mode)) return fail(fd, TOpenFailure::NotCharDevice, 0);
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return fail(fd, TOpenFailure::NotTerminal, errno);
  // The port is not shared: a second opener (also one with the privilege
  // to ignore TIOCEXCL) finds it in use, as the terminal's own lock says.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
    return fail(fd, TOpenFailure::CannotOpen, EBUSY);
  }
  (void)ioctl(fd, TIOCEXCL);
  return {fd, TOpenFailure::None};
}

void FillRawTermios(termios& Tio, const TLineSettings& Settings) {
  Tio.c_iflag = 0;
  if (Settings.ParityCheck) Tio.c_iflag |= INPCK;
  if (Settings.XonXoffOut) Tio.c_iflag |= IXON;
  if (Settings.XonXoffIn) Tio.c_iflag |= IXOFF;
  Tio.c_oflag = 0;
  Tio.c_lflag = 0;

  // The output speed bits stay for the caller to set. A separate input speed
  // left by an earlier user of the port is dropped: the line has one speed,
  // and input follows output while the input bits are clear.
  const tcflag_t speedBits = Tio.c_cflag & CBAUD;
  Tio.c_cflag = speedBits | CREAD | CLOCAL | HUPCL | ByteSizeFlag(Settings.ByteSize) |
                ParityFlags(Settings.Parity);
  // Linux gives 1.5 stop bits for CSTOPB with 5 data bits, 2 otherwise.
  if (Settings.StopBits != TStopBits::_1) Tio.c_cflag |= CSTOPB;
  if (Settings.CtsFlow || Settings.Rts == TRtsControl::RtsHandshake) Tio.c_cflag |= CRTSCTS;

  // One byte is enough for a read; the descriptor is non-blocking, so this
  // only makes an empty read report EAGAIN rather than end of file.
  Tio.c_cc[VMIN] = 1;
  Tio.c_cc[VTIME] = 0;
  Tio.c_cc[VSTART] = static_cast<cc_t>(Settings.XonChar);
  Tio.c_cc[VSTOP] = static_cast<cc_t>(Settings.XoffChar);
}

void ApplyLineSettings(int Fd, const TLineSettings& Settings) {
  termios tio{};
  if (tcgetattr(Fd, &tio) != 0) return;
  FillRawTermios(tio, Settings);

  // A rate of 0 is no speed but the terminal's hang-up request (B0, which
  // drops DTR and RTS): it is refused and the line keeps its speed.
  const bool keepSpeed = Settings.BaudRate == 0;
  speed_t constant = 0;
  const bool hasConstant = !keepSpeed && SpeedConstant(Settings.BaudRate, constant);
  if (hasConstant) cfsetspeed(&tio, constant);
  (void)tcsetattr(Fd, TCSANOW, &tio);
  // Rates without a constant, and drivers that did not take the constant,
  // get the rate by number.
  if (!keepSpeed && CurrentSpeed(Fd) != Settings.BaudRate) (void)SetAnySpeed(Fd, Settings.BaudRate);

  SetModemLine(Fd, TIOCM_DTR, Settings.Dtr != TDtrControl::DtrDisable);
  if (Settings.Rts != TRtsControl::RtsHandshake)
    SetModemLine(Fd, TIOCM_RTS, Settings.Rts != TRtsControl::RtsDisable);
}

void RequestLowLatency(int Fd) {
  serial_struct info{};
  if (ioctl(Fd, TIOCGSERIAL, &info) != 0) return;
  if (info.flags & ASYNC_LOW_LATENCY) return;
  info.flags |= ASYNC_LOW_LATENCY;
  (void)ioctl(Fd, TIOCSSERIAL, &info);
}

void Flush(int Fd, int Queues) { (void)tcflush(Fd, Queues); }

void CloseDevice(int Fd) {
  (void)tcflush(Fd, TCIOFLUSH);
  // Other descriptors of the same terminal would otherwise keep it exclusive.
  (void)ioctl(Fd, TIOCNXCL);
  close(Fd);
}

}  // namespace serial
