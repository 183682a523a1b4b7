#pragma once
// The thin Linux layer under the serial port component: opening a terminal
// device for exclusive non-blocking use, applying line settings, and
// closing it again.
#include <termios.h>

#include <cstdint>
#include <string>

#include "transport/CommTypes.h"

namespace serial {

// A bare name such as "ttyUSB0" means /dev/ttyUSB0; a name holding a '/' is
// used as it stands.
std::string DevicePath(const std::string& CommName);

enum class TOpenFailure { None, CannotOpen, NotCharDevice, NotTerminal };

struct TOpenResult {
  int Fd = -1;
  TOpenFailure Failure = TOpenFailure::None;
  // The failing call's errno; EBUSY for a port another process holds; 0 when
  // the device opened but is no character device.
  int Error = 0;
};

// Opens the device read-write, non-blocking, without making it the
// controlling terminal, and claims it for this process alone. On failure
// nothing is left open.
TOpenResult OpenDevice(const std::string& Path);

// The line settings the component maps onto the terminal. Properties that
// have no counterpart on Linux (DSR flow and sensitivity, XON/XOFF limits,
// null stripping, continuing after XOFF) are not part of it.
struct TLineSettings {
  uint32_t BaudRate = 9600;
  bool ParityCheck = false;
  bool CtsFlow = false;
  bool XonXoffOut = false;
  bool XonXoffIn = false;
  TDtrControl Dtr = TDtrControl::DtrEnable;
  TRtsControl Rts = TRtsControl::RtsEnable;
  TByteSize ByteSize = TByteSize::_8;
  TParity Parity = TParity::None;
  TStopBits StopBits = TStopBits::_1;
  char XonChar = 17;
  char XoffChar = 19;
};

// Rewrites the flags and control characters of Tio for raw mode with the
// given settings; the output speed bits are left as they are and the input
// speed is made to follow them.
void FillRawTermios(termios& Tio, const TLineSettings& Settings);

// Raw mode with the given settings. A driver that refuses a setting keeps its
// own; that is not reported.
void ApplyLineSettings(int Fd, const TLineSettings& Settings);

// USB adapters otherwise hold received bytes back for several milliseconds.
// Drivers that do not know the request are left as they are.
void RequestLowLatency(int Fd);

// Drops the bytes waiting in the given direction (TCIFLUSH, TCOFLUSH or
// TCIOFLUSH).
void Flush(int Fd, int Queues);

// Drops what is still queued, gives up the claim and closes.
void CloseDevice(int Fd);

}  // namespace serial
