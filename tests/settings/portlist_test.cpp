// The machine's serial ports, from a fake /sys tree.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "files/Settings.h"

namespace fs = std::filesystem;

namespace {

class FakeSys : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("korvan_sys_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(root / "class" / "tty");
    source.SysRoot = root.string();
    source.DevRoot = "/dev";
    source.CanOpen = [this](const std::string& path) {
      opened.push_back(path);
      return path != "/dev/ttyUSB3";  // held by another program
    };
  }
  void TearDown() override { fs::remove_all(root); }

  // A tty whose device is bound to `driver` on `subsystem`; empty: no device.
  void AddTty(const std::string& name, const std::string& driver, const std::string& subsystem) {
    fs::path tty = root / "class" / "tty" / name;
    fs::create_directories(tty);
    if (driver.empty() && subsystem.empty()) return;
    fs::create_directories(tty / "device");
    if (!driver.empty())
      fs::create_symlink("../../../../bus/" + subsystem + "/drivers/" + driver, tty / "device" / "driver");
    fs::create_symlink("../../../../bus/" + subsystem, tty / "device" / "subsystem");
  }

  fs::path root;
  SerialPortSource source;
  std::vector<std::string> opened;
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
};

TEST_F(FakeSys, ListsFreeUsbSerialPortsInNaturalOrder) {
  AddTty("ttyUSB10", "ftdi_sio", "usb-serial");
  AddTty("ttyUSB2", "cp210x", "usb-serial");
  AddTty("ttyUSB3", "ch341-uart", "usb-serial");
  AddTty("ttyACM0", "cdc_acm", "usb");
  AddTty("ttyUSB4", "pl2303", "usb-serial");
  AddTty("ttyS0", "serial8250", "platform");  // a built-in port
  AddTty("tty1", "", "");                      // a console, no device
  PortList list = EnumSerialPorts(*js, source);
  EXPECT_EQ(list.Entries, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB4",
                                                    "/dev/ttyUSB10"}));
  EXPECT_EQ(list.ShownText, std::optional<std::string>("/dev/ttyUSB10"));
  EXPECT_EQ(js->TotalDevices, 4);
  // Only adapters are tried, in list order.
  EXPECT_EQ(opened, (std::vector<std::string>{"/dev/ttyACM0", "/dev/ttyUSB2", "/dev/ttyUSB3",
                                              "/dev/ttyUSB4", "/dev/ttyUSB10"}));
  for (const auto& name : list.SlotNames) EXPECT_FALSE(name.has_value());
}

TEST_F(FakeSys, NoPortsGivesTheNoPortText) {
  AddTty("ttyS0", "serial8250", "platform");
  AddTty("ttyUSB3", "ftdi_sio", "usb-serial");  // busy
  js->TotalDevices = 7;
  PortList list = EnumSerialPorts(*js, source);
  EXPECT_TRUE(list.Entries.empty());
  EXPECT_EQ(list.ShownText, std::optional<std::string>("无可用的串口"));
  EXPECT_EQ(js->TotalDevices, 0);
}

TEST_F(FakeSys, MissingTreeGivesAnEmptyList) {
  source.SysRoot = (root / "absent").string();
  PortList list = EnumSerialPorts(*js, source);
  EXPECT_TRUE(list.Entries.empty());
  EXPECT_EQ(list.ShownText, std::optional<std::string>("无可用的串口"));
}

TEST(NaturalLess, DigitRunsCompareByValue) {
  EXPECT_TRUE(NaturalLess("ttyUSB2", "ttyUSB10"));
  EXPECT_FALSE(NaturalLess("ttyUSB10", "ttyUSB2"));
  EXPECT_TRUE(NaturalLess("ttyACM9", "ttyUSB0"));
  EXPECT_TRUE(NaturalLess("ttyUSB", "ttyUSB0"));
  EXPECT_FALSE(NaturalLess("ttyUSB1", "ttyUSB1"));
  EXPECT_TRUE(NaturalLess("ttyUSB01", "ttyUSB2"));
}

TEST(CanOpenExclusively, APortHeldExclusivelyIsNotFree) {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  std::string slave = ::ptsname(master);
  EXPECT_TRUE(CanOpenExclusively(slave));
  int holder = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(holder, 0);
  ASSERT_EQ(::ioctl(holder, TIOCEXCL), 0);
  // Root may open an exclusive tty all the same; the check then falls to the lock.
  if (::geteuid() != 0) {
    EXPECT_FALSE(CanOpenExclusively(slave));
  }
  ::close(holder);
  ::close(master);
  EXPECT_FALSE(CanOpenExclusively("/dev/korvan-no-such-port"));
}

}  // namespace
