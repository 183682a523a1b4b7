// The Linux layer's pure parts: device names and line-counter differences.
#include <gtest/gtest.h>

#include "transport/CommTypes.h"
#include "transport/LineCounters.h"
#include "transport/SerialDevice.h"

TEST(SerialDevicePath, BareNamesLiveInDev) {
  const struct {
    const char* name;
    const char* path;
  } cases[] = {
      {"ttyUSB0", "/dev/ttyUSB0"},
      {"ttyACM3", "/dev/ttyACM3"},
      {"COM12", "/dev/COM12"},
      {"/dev/ttyUSB1", "/dev/ttyUSB1"},
      {"/dev/pts/7", "/dev/pts/7"},
      {"./tty", "./tty"},
  };
  for (const auto& c : cases) EXPECT_EQ(serial::DevicePath(c.name), c.path) << c.name;
}

TEST(LineCounters, EachCountedEventGivesItsFlag) {
  using serial::TLineCounters;
  const struct {
    int TLineCounters::*counter;
    uint32_t error;
    uint32_t modem;
  } cases[] = {
      {&TLineCounters::BufferOverrun, CE_RXOVER, 0},
      {&TLineCounters::Overrun, CE_OVERRUN, 0},
      {&TLineCounters::Parity, CE_RXPARITY, 0},
      {&TLineCounters::Frame, CE_FRAME, 0},
      {&TLineCounters::Break, CE_BREAK, 0},
      {&TLineCounters::Carrier, 0, 8},
      {&TLineCounters::Ring, 0, 4},
      {&TLineCounters::Cts, 0, 0},
      {&TLineCounters::Dsr, 0, 0},
  };
  const TLineCounters before{3, 4, 5, 6, 7, 8, 9, 10, 11};
  for (const auto& c : cases) {
    TLineCounters now = before;
    now.*c.counter += 2;
    EXPECT_EQ(serial::LineErrorFlags(before, now), c.error);
    EXPECT_EQ(serial::ModemChange(before, now), c.modem);
  }
  EXPECT_EQ(serial::LineErrorFlags(before, before), 0u);
  EXPECT_EQ(serial::ModemChange(before, before), 0u);
}

TEST(LineCounters, SimultaneousEventsCombineAndWrappedCountersStillCount) {
  serial::TLineCounters before;
  before.Frame = 0x7FFFFFFF;
  serial::TLineCounters now = before;
  now.Frame = static_cast<int>(0x80000000u);  // wrapped
  now.Overrun += 1;
  now.Carrier += 1;
  now.Ring += 3;
  EXPECT_EQ(serial::LineErrorFlags(before, now), CE_FRAME | CE_OVERRUN);
  EXPECT_EQ(serial::ModemChange(before, now), 12u);
}

TEST(RawTermios, PropertiesMapOntoTheTerminalFlags) {
  struct Case {
    const char* label;
    void (*change)(serial::TLineSettings&);
    tcflag_t cflagSet, cflagClear, iflagSet;
  };
  const Case cases[] = {
      {"defaults", [](serial::TLineSettings&) {}, CS8 | CREAD | CLOCAL, PARENB | CSTOPB | CRTSCTS, 0},
      {"7 bits", [](serial::TLineSettings& s) { s.ByteSize = TByteSize::_7; }, CS7, CS8 & ~CS7, 0},
      {"5 bits", [](serial::TLineSettings& s) { s.ByteSize = TByteSize::_5; }, 0, CSIZE, 0},
      {"odd", [](serial::TLineSettings& s) { s.Parity = TParity::Odd; }, PARENB | PARODD, CMSPAR, 0},
      {"even", [](serial::TLineSettings& s) { s.Parity = TParity::Even; }, PARENB, PARODD | CMSPAR, 0},
      {"mark", [](serial::TLineSettings& s) { s.Parity = TParity::Mark; }, PARENB | PARODD | CMSPAR, 0, 0},
      {"space", [](serial::TLineSettings& s) { s.Parity = TParity::Space; }, PARENB | CMSPAR, PARODD, 0},
      {"2 stop bits", [](serial::TLineSettings& s) { s.StopBits = TStopBits::_2; }, CSTOPB, 0, 0},
      {"1.5 stop bits", [](serial::TLineSettings& s) { s.StopBits = TStopBits::_1_5; }, CSTOPB, 0, 0},
      {"cts flow", [](serial::TLineSettings& s) { s.CtsFlow = true; }, CRTSCTS, 0, 0},
      {"rts handshake", [](serial::TLineSettings& s) { s.Rts = TRtsControl::RtsHandshake; }, CRTSCTS, 0, 0},
      {"parity check", [](serial::TLineSettings& s) { s.ParityCheck = true; }, 0, 0, INPCK},
      {"xon/xoff", [](serial::TLineSettings& s) { s.XonXoffOut = s.XonXoffIn = true; }, 0, 0, IXON | IXOFF},
  };
  for (const Case& c : cases) {
    // Start from a cooked terminal sending at 38400 baud and, left by some
    // earlier user, receiving at 9600.
    termios tio{};
    tio.c_iflag = ICRNL | IXON | IMAXBEL;
    tio.c_oflag = OPOST | ONLCR;
    tio.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    constexpr int kInputSpeedShift = 16;  // CIBAUD is CBAUD moved up 16 bits
    static_assert((CBAUD << kInputSpeedShift) == CIBAUD);
    tio.c_cflag = B38400 | (B9600 << kInputSpeedShift) | CS8 | PARENB | CSTOPB;
    serial::TLineSettings settings;
    c.change(settings);
    serial::FillRawTermios(tio, settings);
    EXPECT_EQ(tio.c_cflag & CBAUD, static_cast<tcflag_t>(B38400)) << c.label;
    EXPECT_EQ(tio.c_cflag & CIBAUD, 0u) << c.label << ": input speed follows output";
    EXPECT_EQ(tio.c_cflag & c.cflagSet, c.cflagSet) << c.label;
    EXPECT_EQ(tio.c_cflag & c.cflagClear, 0u) << c.label;
    EXPECT_EQ(tio.c_iflag, c.iflagSet) << c.label;
    EXPECT_EQ(tio.c_oflag, 0u) << c.label;
    EXPECT_EQ(tio.c_lflag, 0u) << c.label;
    EXPECT_EQ(tio.c_cc[VMIN], 1) << c.label;
    EXPECT_EQ(tio.c_cc[VTIME], 0) << c.label;
  }
}
