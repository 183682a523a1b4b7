// The operation commands end to end: started through the window's handlers,
// carried by its serial port components to simulated units on
// pseudo-terminals, and judged by the units' chip memories and stored images.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <set>

#include "EightUnits.h"
#include "FirmwareImageWriter.h"
#include "messages/Format.h"
#include "protocol/SlotOperations.h"
#include "support/SlotPrefix.h"
#include "ui/Gauge.h"
#include "ui/PortListView.h"
#include "ui/RdSetForm.h"
#include "ui/SetAdrForm.h"

namespace {

using Strings = std::vector<std::string>;
using unitsim::UnitConfig;

std::string Unit(int slot) { return SlotPrefix(slot); }

class EightUnitCommands : public EightUnits {};

TEST_F(EightUnitCommands, AutoWithGoodSilentAndFailingUnits) {
  std::vector<UnitConfig> configs(8);
  configs[5].SilentAfterCommands = 1;  // unit 6 erases, then falls silent
  configs[7].ErrorsOn = {unitsim::ErrorOn{149, -1, 2, 0x2D}};  // unit 8: its second page
  TQZProgrammer& w = StartUnits(configs);
  ChooseChip("W25x05xx");  // 64 KB flash
  const std::vector<uint8_t> image = LoadImage(16 * 1024, 1);
  w.EnEraseChk->setChecked(true);
  boxes.clear();
  MarkLog();

  w.SpdBtnAutoPClick();
  ASSERT_TRUE(WaitIdle(20000));

  EXPECT_EQ(Js().OkCount, 6);
  EXPECT_EQ(w.StatusPanels[2]->text().toStdString(), "Burn OK, Total: 6");
  // The silent unit and the failing one: one NG chip each.
  EXPECT_EQ(Js().NgCount, 2);
  EXPECT_EQ(w.StatusPanels[3]->text().toStdString(), "2");
  // The host's chips: the units' own counts stay at 0.
  for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(Js().SlotNgCount[s], 0) << s + 1;
  EXPECT_EQ(boxes, Strings{"Write Flash Memory Error!"});
  EXPECT_EQ(CountLogged(std::string(">").append(63, '-')), 1);
  for (int s : {0, 1, 2, 3, 4, 6}) {
    SCOPED_TRACE(s + 1);
    EXPECT_TRUE(Logged("Chip " + std::to_string(s + 1) + " : Auto-Programming,Start to Erase......"));
    EXPECT_TRUE(Logged(Unit(s) + "Chip has been Erased, Do Programming......"));
    EXPECT_TRUE(Logged(Unit(s) + "Programming Success, do verification......"));
    EXPECT_EQ(CountLogged(Unit(s) + "Operation Success!"), 1);
    EXPECT_EQ(ChipOf(s, image.size()), image);
    EXPECT_EQ(w.Gauge(s).Color(), GaugeColor::Blue);
    units[s]->Inspect([](const unitsim::SimUnit& u) { EXPECT_EQ(u.ChipsDone(), 1); });
  }
  const Strings silent = {Unit(5) + "Operation Time Out!", Unit(5) + "Operation Failed!"};
  const Strings log = LogSince();
  EXPECT_NE(std::search(log.begin(), log.end(), silent.begin(), silent.end()), log.end());
  EXPECT_TRUE(Logged(Unit(7) + "Operation Failed!"));
  EXPECT_TRUE(Logged(Unit(7) + "Write Flash Memory Error!"));
  for (int s : {5, 7}) {
    EXPECT_FALSE(Logged(Unit(s) + "Operation Success!"));
    EXPECT_EQ(w.Gauge(s).Color(), GaugeColor::Red);
    EXPECT_NE(ChipOf(s, image.size()), image);
  }
}

TEST_F(EightUnitCommands, AutoOfALargeImageGoesThroughThePacedStream) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(8));
  ChooseChip("W25x80xx");  // 1 MB: a large image
  const std::vector<uint8_t> image = LoadImage(1024 * 1024, 2);
  ASSERT_EQ(Js().LargeImage, 1);
  w.EnEraseChk->setChecked(false);
  boxes.clear();
  MarkLog();

  w.SpdBtnAutoPClick();
  ASSERT_TRUE(WaitIdle(30000));

  EXPECT_TRUE(boxes.empty());
  EXPECT_EQ(Js().OkCount, 8);
  for (int s = 0; s < kSlotCount; ++s) {
    SCOPED_TRACE(s + 1);
    EXPECT_TRUE(Logged(Unit(s) + "Programming Success, do verification......"));
    EXPECT_TRUE(Logged(Unit(s) + "Operation Success!"));
    EXPECT_EQ(ChipOf(s, image.size()), image);
  }
}

// Online serial numbers on eight units, by pages and through the paced
// stream: every chip gets a number of its own, every unit verifies its chip
// against the check values of its own image, and the next run goes on past
// the last number handed out.
TEST_F(EightUnitCommands, OnlineSerialNumbersGiveEveryChipItsOwnNumber) {
  struct Job {
    const char* chip;
    size_t size;
    bool bigEndian;
  } jobs[] = {{"W25x05xx", 16 * 1024, false}, {"W25x80xx", 1024 * 1024, true}};
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(8));
  std::set<uint32_t> numbers;
  uint32_t next = 0x1234FFFC;
  for (const Job& job : jobs) {
    SCOPED_TRACE(job.chip);
    ChooseChip(job.chip);
    std::vector<uint8_t> image = LoadImage(job.size, 11);
    w.EnEraseChk->setChecked(false);
    w.CheckBoxSN->setChecked(true);
    w.ChkBoxPCSN->setChecked(true);
    w.SNOrderChk->setChecked(job.bigEndian);
    w.AddrEdit->setText("0x00000100");
    w.GainEdit->setText("0x02");
    w.SNEdit->setText(QString::fromStdString(msg::Fmt("0x%0.8x", next)));
    for (int run = 0; run < 2; ++run) {
      boxes.clear();
      const int okBefore = Js().OkCount;
      w.SpdBtnAutoPClick();
      ASSERT_TRUE(WaitIdle(30000));
      EXPECT_TRUE(boxes.empty());
      EXPECT_EQ(Js().OkCount, okBefore + 8);
      for (int s = 0; s < kSlotCount; ++s, next += 2) {
        SCOPED_TRACE(s + 1);
        const std::vector<uint8_t> chip = ChipOf(s, image.size());
        std::vector<uint8_t> expected = image;
        for (int i = 0; i < 4; ++i)
          expected[0x100 + i] = static_cast<uint8_t>(next >> (8 * (job.bigEndian ? 3 - i : i)));
        EXPECT_TRUE(chip == expected);
        EXPECT_TRUE(numbers.insert(next).second);
      }
      EXPECT_EQ(w.SNEdit->text().toStdString(), msg::Fmt("0x%0.8x", next));
    }
  }
}

// A unit unplugged while its image streams: its chip fails with the cause
// logged and counts NG; the others are verified.
TEST_F(EightUnitCommands, UnitUnpluggedDuringThePacedStreamOfAnAuto) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(8));
  ChooseChip("W25x80xx");  // 1 MB: a large image
  const std::vector<uint8_t> image = LoadImage(1024 * 1024, 7);
  w.EnEraseChk->setChecked(false);
  MarkLog();

  w.SpdBtnAutoPClick();
  ASSERT_TRUE(WaitFor([&] { return Js().SlotDownloading[2] && Js().SlotKbIndex[2] >= 128; }, 20000));
  units[2]->Unplug();
  ASSERT_TRUE(WaitIdle(30000));

  const Strings lost = {Unit(2) + "Connection to the unit lost!", Unit(2) + "Operation Failed!"};
  const Strings log = LogSince();
  EXPECT_NE(std::search(log.begin(), log.end(), lost.begin(), lost.end()), log.end());
  EXPECT_EQ(w.Gauge(2).Color(), GaugeColor::Red);
  EXPECT_EQ(Js().NgCount, 1);
  EXPECT_EQ(Js().SlotNgCount[2], 0);  // no report of the unit's own
  EXPECT_EQ(w.StatusPanels[3]->text().toStdString(), "1");
  EXPECT_EQ(Js().OkCount, 7);
}

// An Auto that fails in verify or on a wrong check value counts its chip NG
// once; the same failures in other commands count nothing.
TEST_F(EightUnitCommands, NgCountsFailedAutosOnlyOncePerChip) {
  std::vector<UnitConfig> configs(8);
  configs[1].WeakChip = true;  // unit 2: its verify fails
  configs[4].ErrorsOn = {unitsim::ErrorOn{147, 3, 1, 0x2C}};  // unit 5: its first erase
  TQZProgrammer& w = StartUnits(configs);
  units[3]->Change([](unitsim::SimUnit& u) { u.MutableConfig().BadCheckValue = true; });  // unit 4
  ChooseChip("W25x05xx");
  LoadImage(16 * 1024, 8);
  w.EnEraseChk->setChecked(true);
  boxes.clear();

  w.SpdBtnAutoPClick();
  ASSERT_TRUE(WaitIdle(20000));
  EXPECT_EQ(Js().OkCount, 5);
  EXPECT_EQ(Js().NgCount, 3);
  EXPECT_EQ(w.StatusPanels[3]->text().toStdString(), "3");
  for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(Js().SlotNgCount[s], 0) << s + 1;
  std::sort(boxes.begin(), boxes.end());
  EXPECT_EQ(boxes, (Strings{"Data verify error!", "Flash Memory Error!", "Packet error!"}));

  // Verify alone fails again on units 2 and 4, and on unit 5, whose chip the
  // failed erase left unprogrammed: no chip of an Auto.
  boxes.clear();
  w.SpdBtnVerifyClick();
  ASSERT_TRUE(WaitIdle(20000));
  std::sort(boxes.begin(), boxes.end());
  EXPECT_EQ(boxes, (Strings{"Data verify error!", "Data verify error!", "Packet error!"}));
  EXPECT_EQ(Js().NgCount, 3);
  EXPECT_EQ(w.StatusPanels[3]->text().toStdString(), "3");
}

// Units that report every chip the host has them program twice (0xF0 and
// 0xF2): the host's Auto counts each chip once, OK or NG; the chips a unit
// burns by itself from its stored image count once per report in its own
// "OK=%d, NG=%d." and in the totals.
TEST_F(EightUnitCommands, EveryChipCountsOnceWhoeverDrivesTheUnit) {
  std::vector<UnitConfig> configs(3);
  for (auto& c : configs) c.SequenceReports = c.BothCompletions = true;
  configs[2].WeakChip = true;  // unit 3: its chips fail the verify
  TQZProgrammer& w = StartUnits(configs);
  ChooseChip("W25x05xx");
  LoadImage(16 * 1024, 11);
  w.EnEraseChk->setChecked(false);
  const auto completions = [&](int s) {
    const Strings log = LogSince();
    return std::count_if(log.begin(), log.end(), [&](const std::string& t) {
      return t.rfind(Unit(s) + "Progrmming Completed : ", 0) == 0;
    });
  };
  const auto auto_ = [&] {
    boxes.clear();
    MarkLog();
    w.SpdBtnAutoPClick();
    ASSERT_TRUE(WaitIdle(20000));
    EXPECT_EQ(boxes, Strings{"Data verify error!"});
    for (int s = 0; s < 3; ++s) EXPECT_EQ(completions(s), 2) << s + 1;  // logged all the same
  };

  auto_();
  EXPECT_EQ(Js().OkCount, 2);
  EXPECT_EQ(Js().NgCount, 1);
  EXPECT_EQ(w.StatusPanels[2]->text().toStdString(), "Burn OK, Total: 2");
  EXPECT_EQ(w.StatusPanels[3]->text().toStdString(), "1");
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ(Js().SlotOkCount[s], 0) << s + 1;
    EXPECT_EQ(Js().SlotNgCount[s], 0) << s + 1;
    EXPECT_EQ(CountLogged(Unit(s) + "OK=0, NG=0."), 2) << s + 1;
  }

  // Units 1 and 3 burn their stored image by themselves: one report each.
  w.SpdBtnDownLoadClick();
  ASSERT_TRUE(WaitIdle(20000));
  MarkLog();
  for (int s : {0, 2}) units[s]->Change([](unitsim::SimUnit& u) { u.RunStandAlone(); });
  ASSERT_TRUE(WaitFor([&] { return Logged(Unit(0) + "OK=1, NG=0.") && Logged(Unit(2) + "OK=0, NG=1."); }, 10000));
  EXPECT_EQ(Js().OkCount, 3);
  EXPECT_EQ(Js().NgCount, 2);
  EXPECT_EQ(w.StatusPanels[2]->text().toStdString(), "3");

  // The host's next Auto leaves those counts to the units.
  auto_();
  EXPECT_EQ(Js().OkCount, 5);
  EXPECT_EQ(Js().NgCount, 3);
  EXPECT_EQ(CountLogged(Unit(0) + "OK=1, NG=0."), 2);
  EXPECT_EQ(CountLogged(Unit(1) + "OK=0, NG=0."), 2);
  EXPECT_EQ(CountLogged(Unit(2) + "OK=0, NG=1."), 2);
  const std::array<int, 3> ownOk{1, 0, 0}, ownNg{0, 0, 1};
  for (int s = 0; s < 3; ++s) {
    EXPECT_EQ(Js().SlotOkCount[s], ownOk[s]) << s + 1;
    EXPECT_EQ(Js().SlotNgCount[s], ownNg[s]) << s + 1;
  }
}

// The paced stream, whose end both completion reports follow.
TEST_F(EightUnitCommands, EveryChipOfAStreamedAutoCountsOnce) {
  std::vector<UnitConfig> configs(2);
  for (auto& c : configs) c.SequenceReports = c.BothCompletions = true;
  configs[1].WeakChip = true;
  TQZProgrammer& w = StartUnits(configs);
  ChooseChip("W25x80xx");  // 1 MB: a large image
  LoadImage(1024 * 1024, 12);
  ASSERT_EQ(Js().LargeImage, 1);
  w.EnEraseChk->setChecked(false);
  MarkLog();
  w.SpdBtnAutoPClick();
  ASSERT_TRUE(WaitIdle(30000));
  EXPECT_EQ(Js().OkCount, 1);
  EXPECT_EQ(Js().NgCount, 1);
  EXPECT_EQ(w.StatusPanels[2]->text().toStdString(), "Burn OK, Total: 1");
  for (int s = 0; s < 2; ++s) {
    EXPECT_EQ(CountLogged(Unit(s) + "OK=0, NG=0."), 2) << s + 1;
    EXPECT_EQ(Js().SlotOkCount[s] + Js().SlotNgCount[s], 0) << s + 1;
  }
}

TEST_F(EightUnitCommands, DownloadByPagesAndTheStoredImageReadBack) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(8));
  ChooseChip("W25x05xx");
  const std::vector<uint8_t> image = LoadImage(64 * 1024, 3);
  boxes.clear();
  MarkLog();

  w.SpdBtnDownLoadClick();
  ASSERT_TRUE(WaitIdle(20000));
  for (int s = 0; s < kSlotCount; ++s) {
    SCOPED_TRACE(s + 1);
    EXPECT_TRUE(Logged("Programmer " + std::to_string(s + 1) + ": Download Data......"));
    EXPECT_TRUE(Logged(Unit(s) + "Operation Success!"));
    EXPECT_EQ(StoredOf(s, image.size()), image);
  }

  std::fill_n(Js().DataBuffer.get(), image.size(), 0);
  MarkLog();
  w.ReadIntMemClick();
  ASSERT_TRUE(WaitIdle(20000));
  EXPECT_TRUE(Logged(Unit(0) + "Download Data has been read out."));
  EXPECT_EQ(Buffer(image.size()), image);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(EightUnitCommands, DownloadByRoundsAndTheStoredImageReadBack) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(8));
  ChooseChip("W25x80xx");
  const std::vector<uint8_t> image = LoadImage(1024 * 1024, 4);
  ASSERT_EQ(Js().LargeImage, 1);
  boxes.clear();
  MarkLog();

  w.SpdBtnDownLoadClick();
  ASSERT_TRUE(WaitIdle(30000));
  EXPECT_EQ(Js().LargeDownload, 1);
  for (int s = 0; s < kSlotCount; ++s) {
    SCOPED_TRACE(s + 1);
    EXPECT_TRUE(Logged(Unit(s) + "Start Transmitter Data......"));
    EXPECT_TRUE(Logged(Unit(s) + "Operation Success!"));
    EXPECT_EQ(StoredOf(s, image.size()), image);
  }

  std::fill_n(Js().DataBuffer.get(), image.size(), 0);
  w.ReadIntMemClick();
  ASSERT_TRUE(WaitIdle(30000));
  EXPECT_EQ(Buffer(image.size()), image);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(EightUnitCommands, ReadByBlocksAndByStream) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(2));
  struct Case {
    const char* chip;
    size_t size;
  } cases[] = {{"W25x05xx", 64 * 1024}, {"W25x80xx", 1024 * 1024}};
  uint32_t seed = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.chip);
    ChooseChip(c.chip);
    std::vector<uint8_t> chip(c.size);
    std::mt19937 random(seed++);
    for (auto& b : chip) b = static_cast<uint8_t>(random());
    units[0]->Change([&](unitsim::SimUnit& u) { u.Chip().Write(0, chip.data(), chip.size()); });
    std::fill_n(Js().DataBuffer.get(), c.size, 0);
    MarkLog();
    WithDialog<TRdSetForm>(w.RdSetForm(), [](TRdSetForm& d) { d.BitBtn1->click(); },
                           [&] { w.SpeedButtonRDClick(); });
    ASSERT_TRUE(WaitIdle(30000));
    EXPECT_EQ(Js().DataLoaded, 1);
    EXPECT_TRUE(Logged(Unit(0) + "Chip Data has been read out."));
    EXPECT_EQ(Buffer(c.size), chip);
  }
  EXPECT_EQ(Js().SlotOp[0], kOpIdle);
}

// A whole-chip read after a smaller file: the unit is asked for the whole
// chip, the read completes on it, and a save writes all of it.
TEST_F(EightUnitCommands, AWholeChipReadAfterASmallFileReadsAndSavesTheWholeChip) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(1));
  ChooseChip("W25x80xx");  // 1 MB, read by the stream
  LoadImage(64 * 1024, 12);
  ASSERT_EQ(Js().DataSizeKB, 64u);
  std::vector<uint8_t> chip(1024 * 1024);
  std::mt19937 random(13);
  for (auto& b : chip) b = static_cast<uint8_t>(random());
  units[0]->Change([&](unitsim::SimUnit& u) { u.Chip().Write(0, chip.data(), chip.size()); });
  MarkLog();
  WithDialog<TRdSetForm>(
      w.RdSetForm(),
      [](TRdSetForm& d) {
        d.RadioBtnRCP->setChecked(true);  // "Read data using chip flash Size"
        d.BitBtn1->click();
      },
      [&] { w.SpeedButtonRDClick(); });
  ASSERT_TRUE(WaitIdle(30000));
  EXPECT_TRUE(Logged(Unit(0) + "Chip Data has been read out."));
  EXPECT_EQ(Buffer(chip.size()), chip);
  EXPECT_EQ(Js().DataEnd, chip.size() - 1);

  const std::string saved = (dir_ / "whole.bin").string();
  w.FileDialogHook = [saved](const TFileDialogSpec&, bool) { return saved; };
  w.FileSaveBtnClick();
  std::ifstream in(saved, std::ios::binary);
  EXPECT_TRUE(std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {}) == chip);
}

TEST_F(EightUnitCommands, ReadIdAndAddressWrite) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(2));
  ChooseChip("GD25xQ40x");
  MarkLog();
  w.ReadChipIDandStatus1Click();
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_TRUE(Logged(Unit(0) + "Read Chip Information success: ID=0xC8,0x40, Statu Reg=0x00,0x00"));
  EXPECT_TRUE(Logged(Unit(0) + "Operation Success!"));

  ChooseChip("24xx02");
  ASSERT_TRUE(w.AddressWrite1->isVisible());
  MarkLog();
  WithDialog<TSetAdrForm>(
      w.SetAdrForm(),
      [](TSetAdrForm& d) {
        d.EditAdr->setText("0x0010");
        d.EditData->setText("Hi");
        d.BitBtn1->click();
      },
      [&] { w.AddressWrite1->trigger(); });
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_TRUE(Logged(Unit(0) + "Write Specific Address Success!"));
  const std::vector<uint8_t> chip = ChipOf(0, 0x12);
  EXPECT_EQ(chip[0x10], 'H');
  EXPECT_EQ(chip[0x11], 'i');
  EXPECT_EQ(ChipOf(1, 0x12), std::vector<uint8_t>(0x12, 0xFF));  // slot 1 only
}

TEST_F(EightUnitCommands, SecondCommandStartsOnTheUnitsThatHaveFinished) {
  std::vector<UnitConfig> configs(8);
  for (int s = 0; s < 4; ++s) configs[s].Baud = 100000;  // units 1-4 take their time
  TQZProgrammer& w = StartUnits(configs);
  ChooseChip("W25x05xx");
  const std::vector<uint8_t> image = LoadImage(16 * 1024, 5);

  w.SpdBtnProgClick();
  ASSERT_TRUE(WaitFor(
      [&] {
        for (int s = 4; s < 8; ++s)
          if (Js().SlotBusy[s]) return false;
        return true;
      },
      10000));
  for (int s = 0; s < 4; ++s) ASSERT_EQ(Js().SlotBusy[s], 1) << "unit " << s + 1 << " finished early";
  MarkLog();
  w.SpdBtnVerifyClick();
  Strings started;
  for (const std::string& line : LogSince())
    if (line.find(": Do ") != std::string::npos) started.push_back(line);
  EXPECT_EQ(started, (Strings{"Chip 5 : Do Verification......", "Chip 6 : Do Verification......",
                              "Chip 7 : Do Verification......", "Chip 8 : Do Verification......"}));
  ASSERT_TRUE(WaitIdle(20000));
  for (int s = 0; s < kSlotCount; ++s) {
    SCOPED_TRACE(s + 1);
    EXPECT_EQ(ChipOf(s, image.size()), image);
    EXPECT_EQ(w.Gauge(s).Color(), GaugeColor::Blue);
  }
  EXPECT_EQ(CountLogged(Unit(0) + "Operation Success!"), 1);  // its program
  EXPECT_EQ(CountLogged(Unit(4) + "Operation Success!"), 1);  // its verify
}

// The units compare their chips with the image's check values that the
// verify carries: programmed chips pass, erased ones fail.
TEST_F(EightUnitCommands, VerifyTellsErasedChipsFromProgrammedOnes) {
  TQZProgrammer& w = StartUnits(std::vector<UnitConfig>(8));
  ChooseChip("W25x05xx");
  const std::vector<uint8_t> image = LoadImage(16 * 1024, 7);
  w.SpdBtnProgClick();
  ASSERT_TRUE(WaitIdle(20000));
  boxes.clear();
  MarkLog();
  w.SpdBtnVerifyClick();
  ASSERT_TRUE(WaitIdle(20000));
  EXPECT_TRUE(boxes.empty());
  for (int s = 0; s < kSlotCount; ++s) EXPECT_EQ(CountLogged(Unit(s) + "Operation Success!"), 1) << s + 1;

  w.SpdBtnEraseClick();
  ASSERT_TRUE(WaitIdle(20000));
  MarkLog();
  w.SpdBtnVerifyClick();
  ASSERT_TRUE(WaitIdle(20000));
  EXPECT_EQ(boxes, Strings(kSlotCount, "Data verify error!"));
  for (int s = 0; s < kSlotCount; ++s) {
    SCOPED_TRACE(s + 1);
    EXPECT_TRUE(Logged(Unit(s) + "Data verify error!"));
    EXPECT_FALSE(Logged(Unit(s) + "Operation Success!"));
    EXPECT_EQ(w.Gauge(s).Color(), GaugeColor::Red);
  }
}

TEST_F(EightUnitCommands, UnitUnpluggedMidOperationWhileTheOthersFinish) {
  std::vector<UnitConfig> configs(8);
  for (auto& c : configs) c.Baud = 200000;
  TQZProgrammer& w = StartUnits(configs);
  ChooseChip("W25x05xx");
  const std::vector<uint8_t> image = LoadImage(16 * 1024, 6);
  const std::string third = units[2]->DevicePath();
  MarkLog();

  w.SpdBtnProgClick();
  ASSERT_TRUE(WaitFor([&] { return Js().SlotKbIndex[2] >= 4; }, 10000));
  units[2]->Unplug();
  ASSERT_TRUE(WaitIdle(20000));

  EXPECT_EQ(Js().SlotConnected[2], 0);
  // Failed when the line went, not by waiting for an answer.
  const Strings lost = {Unit(2) + "Connection to the unit lost!", Unit(2) + "Operation Failed!"};
  const Strings log = LogSince();
  EXPECT_NE(std::search(log.begin(), log.end(), lost.begin(), lost.end()), log.end());
  EXPECT_FALSE(Logged(Unit(2) + "Operation Time Out!"));
  EXPECT_EQ(w.Gauge(2).Color(), GaugeColor::Red);
  const std::vector<std::string> listed = PortEntries(w.ComboBoxCOM);
  EXPECT_EQ(std::find(listed.begin(), listed.end(), third), listed.end());
  for (int s : {0, 1, 3, 4, 5, 6, 7}) {
    SCOPED_TRACE(s + 1);
    EXPECT_TRUE(Logged(Unit(s) + "Operation Success!"));
    EXPECT_EQ(ChipOf(s, image.size()), image);
  }

  // The next command leaves the slot without a unit out.
  MarkLog();
  w.SpdBtnVerifyClick();
  EXPECT_FALSE(Logged("Chip 3 : Do Verification......"));
  EXPECT_TRUE(Logged("Chip 4 : Do Verification......"));
  ASSERT_TRUE(WaitIdle(20000));
}

// Unit 3 drops its line in the middle of an Auto by pages: its chip fails
// at once, with the cause, and counts NG; the other seven pass.
TEST_F(EightUnitCommands, UnitLostMidAutoFailsAtOnceWhileTheOthersPass) {
  std::vector<UnitConfig> configs(8);
  configs[2].HangupAfterFrames = 5;  // the probe and four pages, then the line goes
  TQZProgrammer& w = StartUnits(configs);
  ChooseChip("W25x05xx");
  const std::vector<uint8_t> image = LoadImage(64 * 1024, 9);
  w.EnEraseChk->setChecked(false);
  boxes.clear();
  MarkLog();
  QElapsedTimer clock;
  clock.start();

  w.SpdBtnAutoPClick();
  ASSERT_TRUE(WaitFor([&] { return !w.Port(2).IsOpen(); }, 10000));
  // The handler that closed the port has ended the chip.
  EXPECT_FALSE(SlotRunning(Js(), 2));
  EXPECT_TRUE(Logged(Unit(2) + "Operation Failed!"));
  ASSERT_TRUE(WaitIdle(20000));
  EXPECT_LT(clock.elapsed(), 4000);  // an answer's time-out alone is 5 s

  const Strings lost = {Unit(2) + "Connection to the unit lost!", Unit(2) + "Operation Failed!"};
  const Strings log = LogSince();
  EXPECT_NE(std::search(log.begin(), log.end(), lost.begin(), lost.end()), log.end());
  EXPECT_EQ(CountLogged(Unit(2) + "Operation Failed!"), 1);
  EXPECT_FALSE(Logged(Unit(2) + "Operation Time Out!"));
  EXPECT_FALSE(Logged(Unit(2) + "Operation Success!"));
  EXPECT_EQ(w.Gauge(2).Color(), GaugeColor::Red);
  EXPECT_EQ(Js().NgCount, 1);
  EXPECT_EQ(Js().SlotNgCount[2], 0);  // the unit reported no chip of its own
  EXPECT_EQ(w.StatusPanels[3]->text().toStdString(), "1");
  EXPECT_EQ(Js().OkCount, 7);
  EXPECT_EQ(w.StatusPanels[2]->text().toStdString(), "Burn OK, Total: 7");
  EXPECT_TRUE(boxes.empty());
  for (int s : {0, 1, 3, 4, 5, 6, 7}) {
    SCOPED_TRACE(s + 1);
    EXPECT_EQ(CountLogged(Unit(s) + "Operation Success!"), 1);
    EXPECT_EQ(ChipOf(s, image.size()), image);
    EXPECT_EQ(w.Gauge(s).Color(), GaugeColor::Blue);
    EXPECT_EQ(Js().SlotNgCount[s], 0);
  }
}

// Find and Refresh would close every port under the running units: they are
// refused, and every unit finishes its chip.
TEST_F(EightUnitCommands, FindAndRefreshWaitForTheRunningUnits) {
  std::vector<UnitConfig> configs(8);
  for (auto& c : configs) c.Baud = 200000;
  TQZProgrammer& w = StartUnits(configs);
  ChooseChip("W25x05xx");
  const std::vector<uint8_t> image = LoadImage(16 * 1024, 10);
  w.EnEraseChk->setChecked(false);
  const Strings listed = PortEntries(w.ComboBoxCOM);
  boxes.clear();
  MarkLog();

  w.SpdBtnAutoPClick();
  ASSERT_TRUE(WaitFor([&] { return Js().SlotKbIndex[0] >= 4; }, 10000));
  ASSERT_FALSE(AllIdle());
  w.BitBtnFindCOM->click();
  w.BitBtnFresh->click();
  const std::string refusal =
      "The units are running, please wait until they finish before refreshing or searching the ports!";
  EXPECT_EQ(boxes, (Strings{refusal, refusal}));
  EXPECT_EQ(PortEntries(w.ComboBoxCOM), listed);
  EXPECT_EQ(Js().DeviceCount, 8);
  for (int s = 0; s < kSlotCount; ++s) EXPECT_TRUE(w.Port(s).IsOpen()) << s + 1;
  EXPECT_FALSE(Logged("Checking Device 1 In " + listed[0] + "............"));

  ASSERT_TRUE(WaitIdle(20000));
  EXPECT_EQ(Js().OkCount, 8);
  EXPECT_EQ(Js().NgCount, 0);
  for (int s = 0; s < kSlotCount; ++s) {
    SCOPED_TRACE(s + 1);
    EXPECT_EQ(CountLogged(Unit(s) + "Operation Success!"), 1);
    EXPECT_EQ(ChipOf(s, image.size()), image);
    EXPECT_EQ(Js().SlotConnected[s], 1);
  }
}

TEST_F(EightUnitCommands, BlankCheckEraseOffLineMonitorAndFirmwareUpgrade) {
  // A firmware image of the units' own version: they are found, not upgraded.
  std::string error;
  const std::vector<uint8_t> firmware =
      BuildFirmwareImage(std::vector<uint8_t>(3 * 2048, 0x5A), "V9.99", 0x1234, error);
  ASSERT_FALSE(firmware.empty()) << error;
  std::ofstream("VOzOZEdud.ZQM", std::ios::binary)
      .write(reinterpret_cast<const char*>(firmware.data()), static_cast<std::streamsize>(firmware.size()));
  std::vector<UnitConfig> configs(8);
  configs[3].NotBlank = true;
  TQZProgrammer& w = StartUnits(configs);
  ASSERT_EQ(Js().FirmwareLoaded, 1);
  ChooseChip("W25x05xx");
  boxes.clear();

  MarkLog();
  w.BlankCheck1Click();
  ASSERT_TRUE(WaitIdle(10000));
  for (int s = 0; s < kSlotCount; ++s) {
    EXPECT_TRUE(Logged(Unit(s) + (s == 3 ? "Chip is Not Blank!" : "Chip is Blank!"))) << s + 1;
    EXPECT_TRUE(Logged(Unit(s) + "Operation Success!")) << s + 1;
  }

  MarkLog();
  w.SpdBtnEraseClick();
  ASSERT_TRUE(WaitIdle(10000));
  EXPECT_EQ(CountLogged("Please connect device!!"), 0);
  EXPECT_EQ(ChipOf(3, 64 * 1024), std::vector<uint8_t>(64 * 1024, 0xFF));
  for (int s = 0; s < kSlotCount; ++s) EXPECT_TRUE(Logged(Unit(s) + "Operation Success!")) << s + 1;

  w.DoOffLineMonitor1Click();
  auto monitorCommands = [&](int s) {
    int n = 0;
    units[s]->Inspect([&](const unitsim::SimUnit& u) { n = u.CommandsReceived(138); });
    return n;
  };
  EXPECT_TRUE(WaitFor(
      [&] {
        for (int s = 0; s < kSlotCount; ++s)
          if (monitorCommands(s) != 1) return false;
        return true;
      },
      5000));

  MarkLog();
  w.DoFirmwareUpgrade1Click();
  ASSERT_TRUE(WaitIdle(20000));
  for (int s = 0; s < kSlotCount; ++s) {
    SCOPED_TRACE(s + 1);
    EXPECT_TRUE(Logged(Unit(s) + "Start firmware upgrade......"));
    EXPECT_TRUE(Logged(Unit(s) + "Firmware Upgrade Completed!"));
    units[s]->Inspect([](const unitsim::SimUnit& u) {
      EXPECT_EQ(u.FirmwareBlocksAccepted(), 3);
      EXPECT_TRUE(u.Upgraded());
    });
  }
  EXPECT_TRUE(boxes.empty());
}

}  // namespace
