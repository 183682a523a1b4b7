// Opening and closing the serial port component on a pseudo-terminal.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

#include "PtyFixture.h"
#include "SpeedProbe.h"
#include "transport/SerialSpeed.h"

namespace {

std::string OpenFailure(TComm& Comm) {
  try {
    Comm.OpenPort();
  } catch (const ECommsError& e) {
    return e.what();
  }
  return "(opened)";
}

// The system's error number the failed open carries; -1 when it opened.
int OpenSystemError(TComm& Comm) {
  try {
    Comm.OpenPort();
  } catch (const ECommsError& e) {
    return e.SystemError();
  }
  return -1;
}

}  // namespace

TEST(CommDefaults, ANewComponentHoldsTheConstructionValues) {
  EnsureApplication();
  TComm comm;
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_EQ(comm.PortHandle(), -1);
  EXPECT_EQ(comm.CommName(), "COM2");
  EXPECT_EQ(comm.BaudRate(), 9600u);
  EXPECT_FALSE(comm.ParityCheck());
  EXPECT_FALSE(comm.Outx_CtsFlow());
  EXPECT_FALSE(comm.Outx_DsrFlow());
  EXPECT_EQ(comm.DtrControl(), TDtrControl::DtrEnable);
  EXPECT_FALSE(comm.DsrSensitivity());
  EXPECT_TRUE(comm.TxContinueOnXoff());
  EXPECT_TRUE(comm.Outx_XonXoffFlow());
  EXPECT_TRUE(comm.Inx_XonXoffFlow());
  EXPECT_FALSE(comm.ReplaceWhenParityError());
  EXPECT_FALSE(comm.IgnoreNullChar());
  EXPECT_EQ(comm.RtsControl(), TRtsControl::RtsEnable);
  EXPECT_EQ(comm.XonLimit(), 500);
  EXPECT_EQ(comm.XoffLimit(), 500);
  EXPECT_EQ(comm.ByteSize(), TByteSize::_8);
  EXPECT_EQ(comm.Parity(), TParity::None);
  EXPECT_EQ(comm.StopBits(), TStopBits::_1);
  EXPECT_EQ(comm.XonChar(), 17);
  EXPECT_EQ(comm.XoffChar(), 19);
  EXPECT_EQ(comm.ReplacedChar(), 0);
  EXPECT_EQ(comm.ReadIntervalTimeout(), 100u);
  EXPECT_EQ(comm.ReadTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(comm.ReadTotalTimeoutConstant(), 0u);
  EXPECT_EQ(comm.WriteTotalTimeoutMultiplier(), 0u);
  EXPECT_EQ(comm.WriteTotalTimeoutConstant(), 0u);
}

TEST_F(PtyTest, OpensWithTheMainWindowLineSettings) {
  ASSERT_NO_THROW(Comm.OpenPort());
  EXPECT_TRUE(Comm.IsOpen());
  EXPECT_GE(Comm.PortHandle(), 0);

  termios tio{};
  ASSERT_EQ(tcgetattr(Slave, &tio), 0);
  EXPECT_EQ(serial::CurrentSpeed(Slave), 1000000u);
  EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_FALSE(tio.c_cflag & PARENB);
  EXPECT_TRUE(tio.c_cflag & CSTOPB);
  EXPECT_FALSE(tio.c_cflag & CRTSCTS);
  EXPECT_TRUE(tio.c_cflag & CREAD);
  EXPECT_TRUE(tio.c_cflag & CLOCAL);
  EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | INPCK | ICRNL | ISTRIP | IGNBRK | BRKINT));
  EXPECT_FALSE(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN));
  EXPECT_FALSE(tio.c_oflag & OPOST);
  EXPECT_EQ(tio.c_cc[VSTART], '0');
  EXPECT_EQ(tio.c_cc[VSTOP], '0');
  EXPECT_EQ(tio.c_cc[VMIN], 1);
}

TEST_F(PtyTest, SpeedWrittenWhileOpenIsAppliedAtOnceAlsoWithoutAConstant) {
  ASSERT_NO_THROW(Comm.OpenPort());
  for (uint32_t rate : {115200u, 250000u, 1000000u, 3000000u, 123456u}) {
    Comm.SetBaudRate(rate);
    EXPECT_EQ(serial::CurrentSpeed(Slave), rate);
  }
}

TEST_F(PtyTest, AnInputSpeedLeftByAnEarlierUserIsReplacedByTheSetRate) {
  ASSERT_TRUE(SetSplitSpeed(Slave, 38400, 9600));
  ASSERT_EQ(InputSpeed(Slave), 9600u);
  ASSERT_NO_THROW(Comm.OpenPort());
  EXPECT_EQ(serial::CurrentSpeed(Slave), 1000000u);
  EXPECT_EQ(InputSpeed(Slave), 1000000u);
  Comm.SetBaudRate(115200);  // a rate with a constant
  EXPECT_EQ(InputSpeed(Slave), 115200u);
}

// A terminal takes speed 0 as the order to hang up the line.
TEST_F(PtyTest, SpeedZeroIsRefusedAndTheLineKeepsItsSpeed) {
  ASSERT_NO_THROW(Comm.OpenPort());
  Comm.SetBaudRate(0);
  EXPECT_EQ(serial::CurrentSpeed(Slave), 1000000u);
  Comm.SetStopBits(TStopBits::_1);  // the other settings still reach the line
  termios tio{};
  ASSERT_EQ(tcgetattr(Slave, &tio), 0);
  EXPECT_FALSE(tio.c_cflag & CSTOPB);
  EXPECT_EQ(serial::CurrentSpeed(Slave), 1000000u);

  Comm.ClosePort();
  ASSERT_NO_THROW(Comm.OpenPort());
  EXPECT_EQ(serial::CurrentSpeed(Slave), 1000000u);
  const std::vector<uint8_t> bytes = {0xA5, 0x5A};
  ASSERT_TRUE(Comm.SendBytes(bytes.data(), bytes.size()));
  EXPECT_EQ(ReadAtUnit(bytes.size()), bytes);
}

// A pseudo-terminal forces 8 bits without parity enable, but keeps the odd
// and stick-parity bits, which is what this looks at.
TEST_F(PtyTest, ParityWaitsForTheNextLineSettingOrOpen) {
  ASSERT_NO_THROW(Comm.OpenPort());
  termios tio{};
  Comm.SetParity(TParity::Odd);
  Comm.SetBaudRate(Comm.BaudRate());  // the value it holds: nothing is applied
  ASSERT_EQ(tcgetattr(Slave, &tio), 0);
  EXPECT_FALSE(tio.c_cflag & PARODD);

  Comm.SetStopBits(TStopBits::_1);
  ASSERT_EQ(tcgetattr(Slave, &tio), 0);
  EXPECT_TRUE(tio.c_cflag & PARODD);
  EXPECT_FALSE(tio.c_cflag & CSTOPB);

  Comm.SetParity(TParity::Space);
  Comm.ClosePort();
  ASSERT_NO_THROW(Comm.OpenPort());
  ASSERT_EQ(tcgetattr(Slave, &tio), 0);
  EXPECT_TRUE(tio.c_cflag & CMSPAR);
  EXPECT_FALSE(tio.c_cflag & PARODD);
}

TEST_F(PtyTest, SecondOpenRaisesAndLeavesTheFirstOpen) {
  ASSERT_NO_THROW(Comm.OpenPort());
  const int handle = Comm.PortHandle();
  EXPECT_EQ(OpenFailure(Comm), "This serial port already opened");
  EXPECT_EQ(Comm.PortHandle(), handle);

  const std::vector<uint8_t> hello = {'h', 'i'};
  ASSERT_TRUE(Comm.SendBytes(hello.data(), hello.size()));
  EXPECT_EQ(ReadAtUnit(2), hello);
}

TEST_F(PtyTest, PortHeldByAnotherComponentCannotBeOpened) {
  ASSERT_NO_THROW(Comm.OpenPort());
  TComm other;
  other.SetCommName(SlaveName);
  const int before = OpenDescriptorCount();
  EXPECT_EQ(OpenFailure(other), "Error opening serial port:" + SlaveName);
  EXPECT_EQ(OpenSystemError(other), EBUSY);
  EXPECT_FALSE(other.IsOpen());
  EXPECT_EQ(OpenDescriptorCount(), before);
}

TEST_F(PtyTest, PortWithoutAccessCarriesThePermissionError) {
  // The superuser is never refused on permissions.
  if (geteuid() == 0) GTEST_SKIP() << "runs as root";
  ASSERT_EQ(chmod(SlaveName.c_str(), 0), 0);
  EXPECT_EQ(OpenSystemError(Comm), EACCES);
  EXPECT_FALSE(Comm.IsOpen());
}

TEST_F(PtyTest, ClosePortOnAClosedPortDoesNothing) {
  Comm.ClosePort();
  EXPECT_FALSE(Comm.IsOpen());
  ASSERT_NO_THROW(Comm.OpenPort());
  Comm.ClosePort();
  Comm.ClosePort();
  EXPECT_FALSE(Comm.IsOpen());
  EXPECT_EQ(Comm.PortHandle(), -1);
}

TEST_F(PtyTest, OpenCloseOpenWorksAndReleasesEverything) {
  const int before = OpenDescriptorCount();
  for (int round = 0; round < 3; ++round) {
    ASSERT_NO_THROW(Comm.OpenPort()) << "round " << round;
    const std::vector<uint8_t> bytes = Pattern(100, round);
    ASSERT_TRUE(Comm.SendBytes(bytes.data(), bytes.size()));
    EXPECT_EQ(ReadAtUnit(bytes.size()), bytes);
    Comm.ClosePort();
    EXPECT_EQ(OpenDescriptorCount(), before) << "round " << round;
  }
}

TEST_F(PtyTest, DestroyingAnOpenComponentClosesItsPort) {
  const int before = OpenDescriptorCount();
  {
    TComm temporary;
    temporary.SetCommName(SlaveName);
    ASSERT_NO_THROW(temporary.OpenPort());
  }
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_NO_THROW(Comm.OpenPort());
}

// Lets only the next Count descriptors be made, for the length of one call.
template <typename F>
void WithDescriptorsLeft(int Count, F&& Call) {
  std::vector<int> free;
  for (int fd = 0; static_cast<int>(free.size()) < Count; ++fd)
    if (fcntl(fd, F_GETFD) == -1) free.push_back(fd);
  rlimit saved{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(free.back() + 1);
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
  Call();
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
}

TEST_F(PtyTest, FailuresAfterTheDeviceIsOpenCloseEverythingAgain) {
  const struct {
    int descriptors;  // the port, then the stop event, then the writer's wake-up
    const char* message;
  } cases[] = {{1, "Unable to create event"}, {2, "Unable to create write thread"}};
  const int before = OpenDescriptorCount();
  // One good open first: the sanitizers then know the worker types already
  // and need no descriptors of their own to check them at a thread's start.
  ASSERT_NO_THROW(Comm.OpenPort());
  Comm.ClosePort();
  // The same for the error type, which a good open never raises.
  EXPECT_EQ(ECommsError("known", EBUSY).SystemError(), EBUSY);
  QCoreApplication::sendPostedEvents();
  Log.Entries.clear();
  for (const auto& c : cases) {
    // The exception is looked at only once descriptors are plentiful again:
    // the sanitizers need some of their own to inspect it.
    std::exception_ptr error;
    WithDescriptorsLeft(c.descriptors, [&] {
      try {
        Comm.OpenPort();
      } catch (...) {
        error = std::current_exception();
      }
    });
    ASSERT_TRUE(error) << c.message;
    try {
      std::rethrow_exception(error);
    } catch (const ECommsError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
    EXPECT_FALSE(Comm.IsOpen());
    EXPECT_EQ(OpenDescriptorCount(), before) << c.message;
    // Neither worker has done anything that could still raise an event.
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(Log.Entries.empty()) << c.message;
  }
  // Nothing of the attempts holds the port.
  ASSERT_NO_THROW(Comm.OpenPort());
  const std::vector<uint8_t> bytes = {1, 2, 3};
  ASSERT_TRUE(Comm.SendBytes(bytes.data(), bytes.size()));
  EXPECT_EQ(ReadAtUnit(bytes.size()), bytes);
}

struct OpenFailureCase {
  std::string Label;
  std::string CommName;
  std::string Message;
  int SystemError;  // the errno it carries; 0 when no system call failed
};

void PrintTo(const OpenFailureCase& c, std::ostream* out) { *out << '"' << c.CommName << '"'; }

class OpenFailureTest : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailureTest, RaisesTheMessageAndLeavesNothingOpen) {
  EnsureApplication();
  const OpenFailureCase& c = GetParam();
  TComm comm;
  comm.SetCommName(c.CommName);
  const int before = OpenDescriptorCount();
  EXPECT_EQ(OpenFailure(comm), c.Message);
  EXPECT_EQ(OpenSystemError(comm), c.SystemError);
  EXPECT_FALSE(comm.IsOpen());
  EXPECT_EQ(comm.PortHandle(), -1);
  EXPECT_EQ(OpenDescriptorCount(), before);
  EXPECT_FALSE(comm.SendBytes(reinterpret_cast<const uint8_t*>("x"), 1));
}

std::string RegularFile() {
  static const std::string path = [] {
    std::string p = ::testing::TempDir() + "korvan_not_a_port";
    if (FILE* f = std::fopen(p.c_str(), "w")) std::fclose(f);
    return p;
  }();
  return path;
}

INSTANTIATE_TEST_SUITE_P(
    Transport, OpenFailureTest,
    ::testing::Values(
        OpenFailureCase{"MissingBareName", "ttyKorvanNoSuchPort",
                        "Error opening serial port:ttyKorvanNoSuchPort", ENOENT},
        OpenFailureCase{"MissingFullPath", "/dev/ttyKorvanNoSuchPort",
                        "Error opening serial port:/dev/ttyKorvanNoSuchPort", ENOENT},
        OpenFailureCase{"ComStyleName", "COM12", "Error opening serial port:COM12", ENOENT},
        // "/dev/" itself: a folder cannot be opened for writing.
        OpenFailureCase{"EmptyName", "", "Error opening serial port:", EISDIR},
        OpenFailureCase{"RegularFile", RegularFile(), "File handle is not a comm handle ", 0},
        // A character device that is no terminal, named bare and in full.
        OpenFailureCase{"NotATerminalBare", "null", "Cannot setup comm buffer", ENOTTY},
        OpenFailureCase{"NotATerminalPath", "/dev/null", "Cannot setup comm buffer", ENOTTY}),
    [](const ::testing::TestParamInfo<OpenFailureCase>& info) { return info.param.Label; });
