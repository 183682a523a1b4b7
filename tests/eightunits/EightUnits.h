#pragma once
// The window against simulated units on pseudo-terminals, found by its own
// start-up and driven through its handlers: chip choice, data file, command,
// then the event loop until every slot is idle again.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "PtyUnit.h"
#include "catalogue/ChipCatalogue.h"
#include "ui/ChipSeltForm.h"
#include "ui/UiTestSupport.h"
#include "support/ModalDialog.h"
#include "support/SlotFlagsCheck.h"
#include "transport/TComm.h"

// Runs the event loop until `done` holds; false when it does not within ms.
template <typename Done>
bool WaitFor(Done done, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > ms) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::usleep(500);
  }
  return true;
}

class EightUnits : public ScratchFolderTest {
 protected:
  void TearDown() override {
    if (shown_) Window().SpdBtnExitClick();
    chipForm_.reset();
    units.clear();
    ScratchFolderTest::TearDown();
  }

  // Units with these configurations in slots 1, 2, ..., found at start-up.
  TQZProgrammer& StartUnits(const std::vector<unitsim::UnitConfig>& configs) {
    for (const auto& config : configs) {
      units.push_back(std::make_unique<unitsim::PtyUnit>(config));
      std::string error;
      EXPECT_TRUE(units.back()->Start(error)) << error;
    }
    {
      std::ofstream ini("ConfigKvn.ini", std::ios::binary | std::ios::trunc);
      ini << "[Connection]\r\nTOTDEV=" << units.size() << "\r\n";
      for (size_t i = 0; i < units.size(); ++i) ini << "DEV" << i + 1 << "=" << units[i]->DevicePath() << "\r\n";
    }
    shown_ = true;
    TQZProgrammer& w = ShownWindow();
    CheckSlotFlagsAfterHandlers(w);
    EXPECT_TRUE(WaitFor([&] { return Js().DeviceCount == units.size(); }, 10000))
        << "found " << int(Js().DeviceCount);
    chipForm_ = std::make_unique<TChipSeltForm>(Js(), w);
    return w;
  }

  // The slots' flags checked after each received chunk and each timer event.
  void CheckSlotFlagsAfterHandlers(TQZProgrammer& w) {
    for (int slot = 0; slot < kSlotCount; ++slot) {
      auto handler = w.Port(slot).OnReceiveData;
      w.Port(slot).OnReceiveData = [this, handler](TComm* port, const uint8_t* bytes, uint16_t length) {
        handler(port, bytes, length);
        ExpectSlotFlagsConsistent(Js());
      };
    }
    for (QTimer* timer : {w.Timer1, w.Timer2}) {
      QObject::connect(timer, &QTimer::timeout, [this] { ExpectSlotFlagsConsistent(Js()); });
    }
  }

  // The chip as the operator picks it from the popup.
  void ChooseChip(std::string_view caption) {
    const ChipEntry* entry = FindChipEntry(caption);
    ASSERT_NE(entry, nullptr) << caption;
    ClearChipFlagsOnOpen(Js());
    chipForm_->ChooseEntry(*entry);
    Js().ChipSizeCopy = Js().ChipSize;  // as the chip button does after a choice
  }

  // `size` distinct bytes, none 0xFF at the end, as a file loaded through the
  // window's Load command. Returns the bytes.
  std::vector<uint8_t> LoadImage(size_t size, uint32_t seed) {
    std::vector<uint8_t> image(size);
    std::mt19937 random(seed);
    for (auto& b : image) b = static_cast<uint8_t>(random() % 255);  // never 0xFF: no trimming
    const std::string path = (dir_ / ("image" + std::to_string(seed) + ".bin")).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    Window().FileDialogHook = [path](const TFileDialogSpec&, bool) { return path; };
    Window().FileOpenBtnClick();
    EXPECT_EQ(Js().DataLoaded, 1);
    EXPECT_EQ(size_t{Js().DataSizeKB} * 1024, size);
    return image;
  }

  bool AllIdle() {
    const JobState& js = Js();
    if (js.ReadStreaming) return false;
    for (int s = 0; s < kSlotCount; ++s) {
      if (js.SlotBusy[s] || js.SlotDownloading[s]) return false;
    }
    return true;
  }
  // Runs until every slot is idle, then lets the posted boxes come up.
  bool WaitIdle(int ms) {
    const bool idle = WaitFor([&] { return AllIdle(); }, ms);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 50) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return idle;
  }

  // Marks the log: LogSince gives the texts written after it.
  void MarkLog() { logMark_ = Window().LogLines().size(); }
  std::vector<std::string> LogSince() {
    std::vector<std::string> all = LogTexts();
    return std::vector<std::string>(all.begin() + static_cast<long>(std::min(logMark_, all.size())), all.end());
  }
  bool Logged(const std::string& text) {
    auto log = LogSince();
    return std::find(log.begin(), log.end(), text) != log.end();
  }
  int CountLogged(const std::string& text) {
    auto log = LogSince();
    return static_cast<int>(std::count(log.begin(), log.end(), text));
  }

  std::vector<uint8_t> ChipOf(int unit, size_t length) {
    std::vector<uint8_t> bytes;
    units[unit]->Inspect([&](const unitsim::SimUnit& u) { bytes = u.Chip().Read(0, length); });
    return bytes;
  }
  std::vector<uint8_t> StoredOf(int unit, size_t length) {
    std::vector<uint8_t> bytes;
    units[unit]->Inspect([&](const unitsim::SimUnit& u) { bytes = u.StoredImage().Read(0, length); });
    return bytes;
  }
  std::vector<uint8_t> Buffer(size_t length) {
    return std::vector<uint8_t>(Js().DataBuffer.get(), Js().DataBuffer.get() + length);
  }

  std::vector<std::unique_ptr<unitsim::PtyUnit>> units;

 private:
  bool shown_ = false;
  size_t logMark_ = 0;
  std::unique_ptr<TChipSeltForm> chipForm_;
};
