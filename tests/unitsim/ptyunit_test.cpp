// A unit on a pseudo-terminal answers through the device path and goes away
// when unplugged.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "PtyUnit.h"

using namespace unitsim;

namespace {


// Reads until `want` bytes came or the line ends; false on a hang-up.
bool ReadSome(int fd, std::vector<uint8_t>& got, size_t want) {
  while (got.size() < want) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 5000) <= 0) return true;
    uint8_t buf[256];
    ssize_t n = (p.revents & POLLIN) ? ::read(fd, buf, sizeof buf) : 0;
    if (n <= 0) return false;
    got.insert(got.end(), buf, buf + n);
  }
  return true;
}

TEST(PtyUnit, AnswersOnItsDeviceAndHangsUpWhenUnplugged) {
  PtyUnit unit;
  std::string error;
  ASSERT_TRUE(unit.Start(error)) << error;
  int fd = ::open(unit.DevicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  const uint8_t probe[] = {0xC0, 0xA3, 0xA5, 0x35, 0xC0};
  ASSERT_EQ(::write(fd, probe, sizeof probe), 5);
  std::vector<uint8_t> got;
  ASSERT_TRUE(ReadSome(fd, got, 24));
  EXPECT_EQ(got[0], 0xC0);
  EXPECT_EQ(got[1], 0xA3);

  unit.Unplug();
  EXPECT_FALSE(unit.Plugged());
  std::vector<uint8_t> more;
  EXPECT_FALSE(ReadSome(fd, more, 1));
  ::close(fd);
}

TEST(PtyUnit, HangsUpByItselfAfterSomeFrames) {
  PtyUnit unit(Config([](UnitConfig& c) { c.HangupAfterFrames = 1; }));
  std::string error;
  ASSERT_TRUE(unit.Start(error)) << error;
  int fd = ::open(unit.DevicePath().c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(fd, 0);
  const uint8_t probe[] = {0xC0, 0xA3, 0xA5, 0x35, 0xC0};
  ASSERT_EQ(::write(fd, probe, sizeof probe), 5);
  std::vector<uint8_t> got;
  EXPECT_FALSE(ReadSome(fd, got, 100000));  // the answer, then the line ends
  EXPECT_GE(got.size(), 24u);
  ::close(fd);
}

// A unit that stops reading: what the host writes beyond the limit stays in
// the pseudo-terminal, and the unit never takes it.
TEST(PtyUnit, StopsReadingItsLineAfterTheGivenBytes) {
  PtyUnit unit(Config([](UnitConfig& c) { c.DeafAfterBytes = 1000; }));
  std::string error;
  ASSERT_TRUE(unit.Start(error)) << error;
  int fd = ::open(unit.DevicePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  ASSERT_GE(fd, 0);
  termios tio{};
  ASSERT_EQ(::tcgetattr(fd, &tio), 0);
  ::cfmakeraw(&tio);
  ASSERT_EQ(::tcsetattr(fd, TCSANOW, &tio), 0);
  // Raw bytes with no frame mark: the unit takes them as line noise.
  const std::vector<uint8_t> noise(4096, 0x11);
  size_t written = 0;
  for (int i = 0; i < 1000; ++i) {
    ssize_t n = ::write(fd, noise.data(), noise.size());
    if (n <= 0) break;  // the line no longer drains
    written += static_cast<size_t>(n);
  }
  ASSERT_GT(written, 1000u);
  for (int i = 0; i < 500 && unit.Stats().BytesReceived < 1000; ++i) ::usleep(10000);
  ::usleep(50000);  // room for more, had it gone on reading
  EXPECT_EQ(unit.Stats().BytesReceived, 1000u);
  ::close(fd);
}

}  // namespace
