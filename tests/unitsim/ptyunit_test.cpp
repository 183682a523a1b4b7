// A unit on a pseudo-terminal answers through the device path and goes away
// when unplugged.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

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

}  // namespace
