// Start-up, unplugging, refresh and a new search with simulated units on
// pseudo-terminals, through the window's real serial port components.
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <functional>

#include "FirmwareImageWriter.h"
#include "PtyUnit.h"
#include "protocol/SlotOperations.h"
#include "support/SlotPrefix.h"
#include "transport/TComm.h"
#include "ui/PortListView.h"
#include "ui/PortOpenFailure.h"
#include "ui/UiTestSupport.h"

namespace {

// Runs the event loop until `done` holds; false when it never does.
template <typename Done>
bool WaitFor(Done done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 10000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

// Handles whatever the event loop has for a moment.
void Settle() {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 200) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
}

class DeviceSearchTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    for (int i = 0; i < 3; ++i) {
      unitsim::UnitConfig config;
      config.Version = "V9.9" + std::to_string(i);
      units.push_back(std::make_unique<unitsim::PtyUnit>(config));
      std::string error;
      ASSERT_TRUE(units.back()->Start(error)) << error;
    }
    WriteSettings({0, 1, 2});
  }
  void TearDown() override {
    if (shown_) Window().SpdBtnExitClick();
    units.clear();
    ScratchFolderTest::TearDown();
  }

  void WriteSettings(const std::vector<int>& which) {
    std::ofstream ini("ConfigKvn.ini", std::ios::binary | std::ios::trunc);
    ini << "[Connection]\r\nTOTDEV=" << which.size() << "\r\n";
    int n = 1;
    for (int i : which) ini << "DEV" << n++ << "=" << units[i]->DevicePath() << "\r\n";
  }
  std::string Path(int unit) { return units[unit]->DevicePath(); }

  TQZProgrammer& StartUp() {
    shown_ = true;
    TQZProgrammer& w = ShownWindow();
    EXPECT_TRUE(WaitFor([&] { return Js().DeviceCount == 3; })) << "found " << int(Js().DeviceCount);
    return w;
  }
  bool Logged(const std::string& text) {
    auto t = LogTexts();
    return std::find(t.begin(), t.end(), text) != t.end();
  }

  std::vector<std::unique_ptr<unitsim::PtyUnit>> units;
  bool shown_ = false;
};

TEST_F(DeviceSearchTest, StartUpFindsEveryListedUnit) {
  TQZProgrammer& w = StartUp();
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(Logged("Checking Device " + std::to_string(i + 1) + " In " + Path(i) + "............"));
    EXPECT_TRUE(Logged(SlotPrefix(i) + "Find Device: KorvanQZ-Plus V9.9" +
                       std::to_string(i) + "!"));
    EXPECT_EQ(Js().SlotConnected[i], 1);
    EXPECT_TRUE(w.GaugeBars[i]->isEnabled());
  }
  EXPECT_EQ(Js().TotalDevices, 3);
  EXPECT_EQ(w.InfoPanel->text().toStdString(), "KorvanQZ-Plus V9.90");
  EXPECT_EQ(PortEntries(w.ComboBoxCOM), (std::vector<std::string>{Path(0), Path(1), Path(2)}));
}

TEST_F(DeviceSearchTest, UnpluggingClosesOnlyThatSlot) {
  TQZProgrammer& w = StartUp();
  std::string first = Path(0), third = Path(2);
  units[1]->Unplug();
  ASSERT_TRUE(WaitFor([&] { return !w.Port(1).IsOpen(); }));
  // Both worker threads report the line's end; let every notice arrive.
  Settle();
  EXPECT_EQ(Js().SlotConnected[1], 0);
  EXPECT_FALSE(w.GaugeBars[1]->isEnabled());
  EXPECT_EQ(PortEntries(w.ComboBoxCOM), (std::vector<std::string>{first, third}));
  for (int slot : {0, 2}) {
    EXPECT_TRUE(w.Port(slot).IsOpen()) << slot;
    EXPECT_EQ(Js().SlotConnected[slot], 1) << slot;
    EXPECT_TRUE(w.GaugeBars[slot]->isEnabled()) << slot;
  }
}

TEST_F(DeviceSearchTest, RefreshAndANewSearchFindTheRemainingUnits) {
  TQZProgrammer& w = StartUp();
  units[1]->Unplug();
  ASSERT_TRUE(WaitFor([&] { return !w.Port(1).IsOpen(); }));
  WriteSettings({0, 2});  // the settings now name the units still there
  Js().SlotAutoMode[0] = 1;  // an Auto cut off by the refresh

  w.BitBtnFreshClick();
  EXPECT_EQ(Js().DeviceCount, 0);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    EXPECT_FALSE(w.Port(slot).IsOpen()) << slot;
    EXPECT_EQ(Js().SlotConnected[slot], 0) << slot;
    EXPECT_EQ(Js().SlotAutoMode[slot], 0) << slot;
  }
  EXPECT_EQ(PortEntries(w.ComboBoxCOM), (std::vector<std::string>{Path(0), Path(2)}));
  EXPECT_EQ(Js().TotalDevices, 2);

  w.BitBtnFindCOMClick();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 2; }));
  EXPECT_EQ(Js().SlotConnected[0], 1);
  EXPECT_EQ(Js().SlotConnected[1], 1);
  EXPECT_EQ(Js().SlotConnected[2], 0);
  // The panel names the unit whose answer was handled first; the two ports'
  // answers may be handled in either order.
  const std::string panel = w.InfoPanel->text().toStdString();
  EXPECT_TRUE(panel == "KorvanQZ-Plus V9.90" || panel == "KorvanQZ-Plus V9.92") << panel;
}

TEST_F(DeviceSearchTest, ASecondHangupNoticeOfOneLineRemovesNothingMore) {
  TQZProgrammer& w = StartUp();
  w.SPxCommRequestHangup(2);
  w.SPxCommRequestHangup(2);
  EXPECT_EQ(PortEntries(w.ComboBoxCOM), (std::vector<std::string>{Path(0), Path(1)}));
  EXPECT_EQ(Js().SlotConnected[2], 0);
  EXPECT_EQ(Js().SlotConnected[1], 1);
}

TEST_F(DeviceSearchTest, ASearchAfterAnUnplugLeavesNoSlotBeyondTheListConnected) {
  TQZProgrammer& w = StartUp();
  units[1]->Unplug();
  ASSERT_TRUE(WaitFor([&] { return !w.Port(1).IsOpen(); }));
  Settle();
  // The list is now the first and the third unit; they take slots 0 and 1.
  w.BitBtnFindCOMClick();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 2; }));
  EXPECT_EQ(Js().SlotConnected[0], 1);
  EXPECT_EQ(Js().SlotConnected[1], 1);
  EXPECT_EQ(Js().SlotConnected[2], 0);
  EXPECT_FALSE(w.Port(2).IsOpen());
}

TEST_F(DeviceSearchTest, ASearchStartsEverySlotAfresh) {
  TQZProgrammer& w = StartUp();
  // What finished operations leave behind; nothing runs.
  for (int slot = 0; slot < kSlotCount; ++slot) {
    Js().SlotRxCount[slot] = 7;
    Js().SlotAutoMode[slot] = 1;  // a stale Auto flag: no later failure may count it
    Js().GaugeSlots[slot]->SetEnabled(true);
    Js().GaugeSlots[slot]->SetProgress(40);
    Js().GaugeSlots[slot]->SetColor(GaugeColor::Red);
  }
  const size_t logBefore = LogTexts().size();

  w.BitBtnFindCOMClick();  // the answers wait in the event queue meanwhile

  EXPECT_EQ(Js().DeviceCount, 0);
  for (int slot = 0; slot < kSlotCount; ++slot) {
    EXPECT_EQ(Js().SlotRxCount[slot], 0) << slot;
    EXPECT_EQ(Js().SlotDownloading[slot], 0) << slot;
    EXPECT_EQ(Js().SlotBusy[slot], 0) << slot;
    EXPECT_EQ(Js().SlotAutoMode[slot], 0) << slot;  // no later failure counts as its chip
    EXPECT_EQ(Js().SlotConnected[slot], 0) << slot;
    EXPECT_FALSE(w.GaugeBars[slot]->isEnabled()) << slot;
    EXPECT_EQ(w.GaugeBars[slot]->value(), 0) << slot;
    EXPECT_EQ(w.Port(slot).IsOpen(), slot < 3) << slot;
  }
  for (int slot = 0; slot < 3; ++slot) EXPECT_EQ(Js().SlotTimeout[slot], 500) << slot;
  EXPECT_EQ(w.InfoPanel->text().toStdString(), "Searching Devices............");
  auto texts = LogTexts();
  EXPECT_EQ(std::vector<std::string>(texts.begin() + static_cast<std::ptrdiff_t>(logBefore), texts.end()),
            (std::vector<std::string>{"Checking Device 1 In " + Path(0) + "............",
                                      "Checking Device 2 In " + Path(1) + "............",
                                      "Checking Device 3 In " + Path(2) + "............"}));

  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 3; }));
  EXPECT_EQ(w.InfoPanel->text().toStdString(), "KorvanQZ-Plus V9.90");
  for (int slot = 0; slot < 3; ++slot) EXPECT_TRUE(w.GaugeBars[slot]->isEnabled()) << slot;
}

// A hang-up removes the entry at the slot's position, whatever it names then.
TEST_F(DeviceSearchTest, AHangupBeyondTheListsEndRemovesNothing) {
  TQZProgrammer& w = StartUp();
  units[0]->Unplug();
  ASSERT_TRUE(WaitFor([&] { return !w.Port(0).IsOpen(); }));
  Settle();
  EXPECT_EQ(PortEntries(w.ComboBoxCOM), (std::vector<std::string>{Path(1), Path(2)}));
  units[2]->Unplug();
  ASSERT_TRUE(WaitFor([&] { return !w.Port(2).IsOpen(); }));
  Settle();
  EXPECT_EQ(PortEntries(w.ComboBoxCOM), (std::vector<std::string>{Path(1), Path(2)}));
  EXPECT_EQ(Js().SlotConnected[2], 0);
  EXPECT_EQ(Js().SlotConnected[1], 1);
}

TEST_F(DeviceSearchTest, AReceiveErrorKeepsTheSlotWatchedByItsTimeOut) {
  TQZProgrammer& w = StartUp();
  Js().SlotBusy[1] = 1;
  Js().SlotTimeout[1] = 300;
  w.SPxCommReceiveError(CE_FRAME, 1);
  EXPECT_EQ(Js().SlotBusy[1], 1);
  EXPECT_EQ(Js().SlotTimeout[1], 300);
  EXPECT_EQ(Js().SlotOp[1], kOpIdle);
}

TEST_F(DeviceSearchTest, AnOlderUnitIsUpgradedAtOnceWhenTheImageIsThere) {
  std::string error;
  auto image = BuildFirmwareImage(std::vector<uint8_t>(2048, 0x5A), "V9.92", 0x4321, error);
  ASSERT_FALSE(image.empty()) << error;
  std::ofstream("VOzOZEdud.ZQM", std::ios::binary).write(reinterpret_cast<const char*>(image.data()),
                                                         static_cast<std::streamsize>(image.size()));
  shown_ = true;
  TQZProgrammer& w = ShownWindow();
  EXPECT_EQ(Js().FirmwareLoaded, 1);
  // Units 1 and 2 (V9.90, V9.91) are older than the image; unit 3 is not.
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 1; }));
  ASSERT_TRUE(WaitFor([&] { return Logged("C2: Start firmware upgrade......"); }));
  EXPECT_TRUE(Logged("C1: Start firmware upgrade......"));
  EXPECT_TRUE(Logged("C3: Find Device: KorvanQZ-Plus V9.92!"));
  EXPECT_FALSE(Logged("C1: Find Device: KorvanQZ-Plus V9.90!"));
  // The units' answers carry the upgrade through to its end.
  EXPECT_TRUE(WaitFor([&] { return Logged("C1: Firmware Upgrade Completed!"); }));
  EXPECT_TRUE(WaitFor([&] { return Logged("C2: Firmware Upgrade Completed!"); }));
  EXPECT_EQ(w.InfoPanel->text().toStdString(), "KorvanQZ-Plus V9.92");
}

TEST_F(DeviceSearchTest, OnlyTheFirstEightEntriesAreSearched) {
  while (units.size() < 8) {
    units.push_back(std::make_unique<unitsim::PtyUnit>());
    std::string error;
    ASSERT_TRUE(units.back()->Start(error)) << error;
  }
  {
    std::ofstream ini("ConfigKvn.ini", std::ios::binary | std::ios::trunc);
    ini << "[Connection]\r\nTOTDEV=10\r\n";
    for (int i = 0; i < 8; ++i) ini << "DEV" << i + 1 << "=" << Path(i) << "\r\n";
    // Entries nine and ten: listed, bound to no slot, never opened.
    ini << "DEV9=/dev/korvan-ninth\r\nDEV10=/dev/korvan-tenth\r\n";
  }
  shown_ = true;
  TQZProgrammer& w = ShownWindow();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 8; }));
  EXPECT_EQ(w.ComboBoxCOM->count(), 10);
  EXPECT_TRUE(boxes.size() == 1 && boxes[0].find("VOzOZEdud.ZQM") != std::string::npos);
  for (const auto& text : LogTexts()) EXPECT_EQ(text.find("korvan-"), std::string::npos) << text;
}

TEST_F(DeviceSearchTest, StreamedReadBytesAreDataAndStayInsideTheBuffer) {
  TQZProgrammer& w = StartUp();
  Js().ReadStreaming = 1;
  Js().ReadCount = kDataBufferSize - 2;
  Js().SlotSettings[0].DataSizeKB = kDataBufferSize / 1024 + 1;  // more to come: the read goes on
  const uint16_t buffered = Js().SlotRxCount[0];
  const uint8_t bytes[] = {0xC0, 0x11, 0x22, 0xC0, 0x33};
  w.SPxCommReceiveData(bytes, sizeof bytes, 0);
  EXPECT_EQ(Js().DataBuffer[kDataBufferSize - 2], 0xC0);
  EXPECT_EQ(Js().DataBuffer[kDataBufferSize - 1], 0x11);
  EXPECT_EQ(Js().ReadCount, kDataBufferSize + 3);
  EXPECT_EQ(Js().SlotTimeout[0], 100);
  EXPECT_EQ(Js().SlotRxCount[0], buffered);  // no frame is looked for in them
  EXPECT_EQ(w.EditRD->text().toStdString(), "0x08200004");  // the bytes counted so far
}

// Refresh and search close every port: while a unit runs they are refused
// and change nothing.
TEST_F(DeviceSearchTest, RefreshAndSearchWaitForRunningUnits) {
  using Handler = void (TQZProgrammer::*)();
  struct Running {
    const char* name;
    int slot;
    std::function<void(JobState&, uint8_t on)> set;
  };
  const Running states[] = {
      {"busy", 1,
       [](JobState& js, uint8_t on) {
         js.SlotBusy[1] = on;
         js.SlotOp[1] = on ? kOpVerify : kOpIdle;
       }},
      {"paced stream", 2, [](JobState& js, uint8_t on) { js.SlotDownloading[2] = on; }},
      {"streamed read", 0, [](JobState& js, uint8_t on) { js.ReadStreaming = on; }},
  };
  TQZProgrammer& w = StartUp();
  const std::vector<std::string> list = PortEntries(w.ComboBoxCOM);
  for (const Running& state : states) {
    for (Handler handler : {&TQZProgrammer::BitBtnFindCOMClick, &TQZProgrammer::BitBtnFreshClick}) {
      SCOPED_TRACE(state.name);
      state.set(Js(), 1);
      boxes.clear();
      const size_t logBefore = LogTexts().size();
      (w.*handler)();
      EXPECT_EQ(boxes, std::vector<std::string>{"The units are running, please wait until they finish before "
                                                "refreshing or searching the ports!"});
      EXPECT_EQ(LogTexts().size(), logBefore);
      EXPECT_EQ(Js().DeviceCount, 3);
      for (int slot = 0; slot < 3; ++slot) {
        EXPECT_TRUE(w.Port(slot).IsOpen()) << slot;
        EXPECT_EQ(Js().SlotConnected[slot], 1) << slot;
        EXPECT_TRUE(w.GaugeBars[slot]->isEnabled()) << slot;
      }
      EXPECT_EQ(PortEntries(w.ComboBoxCOM), list);
      EXPECT_TRUE(SlotRunning(Js(), state.slot));
      state.set(Js(), 0);
    }
  }
  // Once nothing runs, the search goes ahead.
  boxes.clear();
  w.BitBtnFindCOMClick();
  EXPECT_TRUE(boxes.empty());
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 3; }));
}

TEST_F(DeviceSearchTest, LastEntryGoneShowsThePortPrompt) {
  WriteSettings({0});
  shown_ = true;
  TQZProgrammer& w = ShownWindow();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 1; }));
  w.SPxCommRequestHangup(0);
  EXPECT_EQ(w.ComboBoxCOM->count(), 0);
  EXPECT_EQ(w.ComboBoxCOM->currentText().toStdString(), "Please select COM......");
}

// An unplugged unit's port is passed over: the units listed after it are
// still found.
TEST_F(DeviceSearchTest, APortThatCannotBeOpenedIsLoggedAndTheSearchGoesOn) {
  const std::string missing = "/dev/korvan-no-such-port";
  shown_ = true;
  std::ofstream("ConfigKvn.ini", std::ios::trunc) << "[Connection]\nDEV1=" << Path(0) << "\nDEV2=" << missing
                                                  << "\nDEV3=" << Path(1) << "\nDEV4=" << Path(2) << "\n";
  TQZProgrammer& w = ShownWindow();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 3; })) << "found " << int(Js().DeviceCount);

  for (int slot : {0, 2, 3}) {
    EXPECT_EQ(Js().SlotConnected[slot], 1) << slot;
    EXPECT_TRUE(w.Port(slot).IsOpen()) << slot;
  }
  EXPECT_EQ(Js().SlotConnected[1], 0);
  EXPECT_FALSE(w.Port(1).IsOpen());
  EXPECT_EQ(std::count(boxes.begin(), boxes.end(), "Error opening serial port:" + missing), 1);
  const auto texts = LogTexts();
  const std::vector<std::string> told = {"Checking Device 2 In " + missing + "............",
                                         "Cannot open " + missing + ": No such file or directory!",
                                         "Checking Device 3 In " + Path(1) + "............"};
  EXPECT_NE(std::search(texts.begin(), texts.end(), told.begin(), told.end()), texts.end());
  EXPECT_TRUE(Logged("C4: Find Device: KorvanQZ-Plus V9.92!"));
  EXPECT_EQ(w.InfoPanel->text().toStdString(), "KorvanQZ-Plus V9.90");
}

TEST_F(DeviceSearchTest, OneErrorBoxPerSearchHoweverManyPortsFail) {
  shown_ = true;
  std::ofstream("ConfigKvn.ini", std::ios::trunc)
      << "[Connection]\nDEV1=/dev/korvan-gone-1\nDEV2=" << Path(0) << "\nDEV3=/dev/korvan-gone-3\nDEV4="
      << Path(1) << "\n";
  TQZProgrammer& w = ShownWindow();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 2; }));
  auto openBoxes = [&] {
    return std::count_if(boxes.begin(), boxes.end(),
                         [](const std::string& b) { return b.rfind("Error opening serial port:", 0) == 0; });
  };
  EXPECT_EQ(openBoxes(), 1);
  EXPECT_NE(std::find(boxes.begin(), boxes.end(), "Error opening serial port:/dev/korvan-gone-1"), boxes.end());
  EXPECT_TRUE(Logged("Cannot open /dev/korvan-gone-3: No such file or directory!"));
  EXPECT_EQ(w.InfoPanel->text().toStdString(), "KorvanQZ-Plus V9.90");  // the first unit found

  w.BitBtnFindCOMClick();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 2; }));
  EXPECT_EQ(openBoxes(), 2);
  EXPECT_EQ(Js().SlotConnected[1], 1);
  EXPECT_EQ(Js().SlotConnected[3], 1);
}

// The cause as the operator reads it: the system's reason, and for a refused
// permission what the user lacks.
TEST(PortOpenFailureLine, NamesThePortAndTheCause) {
  const std::string access = " The user needs access to the serial device (e.g. the dialout group).";
  struct Case {
    int error;
    const char* message;
    std::string line;
  };
  const Case cases[] = {
      {ENOENT, "Error opening serial port:ttyUSB3", "Cannot open ttyUSB3: No such file or directory!"},
      {EBUSY, "Error opening serial port:ttyUSB3", "Cannot open ttyUSB3: Device or resource busy!"},
      {EACCES, "Error opening serial port:ttyUSB3", "Cannot open ttyUSB3: Permission denied!" + access},
      {EPERM, "Error opening serial port:ttyUSB3", "Cannot open ttyUSB3: Operation not permitted!" + access},
      // No system call failed: the component's own message is the cause.
      {0, "File handle is not a comm handle ", "Cannot open ttyUSB3: File handle is not a comm handle !"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PortOpenFailureLine("ttyUSB3", ECommsError(c.message, c.error)), c.line) << c.error;
  }
}

TEST_F(DeviceSearchTest, ANonIntegerUnitCountIsToldAndTheSearchStillRuns) {
  shown_ = true;
  std::ofstream("ConfigKvn.ini", std::ios::trunc) << "[Connection]\nTOTDEV=three\nDEV1=" << Path(0) << "\n";
  ShownWindow();
  ASSERT_TRUE(WaitFor([&] { return Js().DeviceCount == 1; }));
  EXPECT_NE(std::find(boxes.begin(), boxes.end(), "'THREE' is not a valid integer value"), boxes.end());
}

}  // namespace
