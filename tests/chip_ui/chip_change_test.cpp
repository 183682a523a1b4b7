// The chip change: what a new chip name does to the log, the job and the
// family-dependent controls, and the interface voltage it resets.
#include <gtest/gtest.h>

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>

#include "ChipTestWindow.h"

namespace {

struct ChipChangeTest : ::testing::Test {
  ChipTestWindow w;
  JobState& js = *w.js;

  ChipChangeTest() { js.LogMemo = &w.window; }

  // The log's lines from the last chip change on, without time stamps.
  std::vector<std::string> TextsFrom(size_t first) {
    std::vector<std::string> out;
    const QStringList lines = w.window.InfoMemo->toPlainText().split('\n');
    for (qsizetype i = static_cast<qsizetype>(first); i < lines.size(); ++i) {
      std::string line = lines[i].toStdString();
      if (line.rfind("> ", 0) == 0) line = line.substr(line.find(' ', 2) + 1);
      out.push_back(line);
    }
    return out;
  }
  size_t LineCount() {
    return w.window.InfoMemo->toPlainText().isEmpty()
               ? 0
               : static_cast<size_t>(w.window.InfoMemo->toPlainText().split('\n').size());
  }
};

const std::string kDots(46, '.');

TEST_F(ChipChangeTest, LogsTheChipAndItsSizeAndResetsTheJobForIt) {
  struct Case {
    const char* chip;
    std::vector<std::string> lines;
    const char* sizeCaption;
    uint32_t dataEnd, sizeKB;
  } cases[] = {
      {"AT24C01", {"Chip \"AT24C01\" is selectd.", "Chip Main Flash is 16B/0KB.", kDots}, "16 Byte", 15, 0},
      {"AT25DF321A",
       {"Chip \"AT25DF321A\" is selectd.", "Chip Main Flash is 4096KB/4MB.", kDots},
       "4096 KByte", 0x3FFFFF, 4096},
      {"GT34C04-xxx", {"Chip \"GT34C04-xxx\" is selectd.", kDots}, "512 Byte", 511, 0},
      {"24xx04", {"Chip \"24xx04\" is selectd.", "Chip Main Flash is 512B/0KB.", kDots}, "512 Byte", 511, 0},
      {"W25x64xx",
       {"Chip \"W25x64xx\" is selectd.", "Chip Main Flash is 8192KB/8MB.", kDots},
       "8192 KByte", 0x7FFFFF, 8192},
      {"MX25L512xxx",
       {"Chip \"MX25L512xxx\" is selectd.", "Chip Main Flash is 65536B/64KB.", kDots},
       "64 KByte", 0xFFFF, 64},
  };
  for (const Case& c : cases) {
    js.DataLoaded = 1;
    size_t first = LineCount();
    w.Choose(c.chip);
    EXPECT_EQ(TextsFrom(first), c.lines) << c.chip;
    EXPECT_EQ(js.SelChipName, c.chip);
    EXPECT_EQ(js.ChipSelected, 1);
    EXPECT_EQ(js.DataLoaded, 0) << "a chip change asks for the data again";
    EXPECT_EQ(w.window.lbFlashSize->text().toStdString(), c.sizeCaption);
    EXPECT_EQ(js.DataStart, 0u);
    EXPECT_EQ(js.DataEnd, c.dataEnd) << c.chip;
    EXPECT_EQ(js.ChipEndAddr, static_cast<int32_t>(c.dataEnd));
    EXPECT_EQ(js.DataSizeKB, c.sizeKB);
    EXPECT_EQ(js.SlotBlockTotal[7], c.sizeKB == 0 ? 1u : c.sizeKB);
    EXPECT_EQ(w.window.PageControl1->currentIndex(), 0);
  }
}

TEST_F(ChipChangeTest, FamilyDecidesWhichControlsAreOffered) {
  struct Case {
    const char* chip;
    bool flash, i2c, clock, fixedSN;
  } cases[] = {
      {"AT25DF321A", true, false, false, true},
      {"AT24C01", false, true, true, true},
      {"25xx640", false, false, true, true},
      {"GT34C04-xxx", false, false, true, false},
  };
  TQZProgrammer& m = w.window;
  for (const Case& c : cases) {
    w.Choose(c.chip);
    EXPECT_EQ(!m.ChkBoxLSP->isHidden(), c.flash) << c.chip;
    EXPECT_EQ(!m.GroupBoxCtrl->isHidden(), c.flash) << c.chip;
    EXPECT_EQ(!m.EditRD->isHidden(), c.flash) << c.chip;
    EXPECT_EQ(m.ReadChipIDandStatus1->isVisible(), c.flash) << c.chip;
    EXPECT_EQ(!m.EditDevAdrX->isHidden(), c.i2c) << c.chip;
    EXPECT_EQ(m.AddressWrite1->isVisible(), c.i2c) << c.chip;
    EXPECT_EQ(!m.RadioGroupSpd->isHidden(), c.clock) << c.chip;
    EXPECT_EQ(m.BitBtnFixSN->isEnabled(), c.fixedSN) << c.chip;
    EXPECT_FALSE(m.ChkBoxLSP->isChecked());
  }
}

TEST_F(ChipChangeTest, VoltageGoesBackTo33VAndTo18VForA18VPart) {
  TQZProgrammer& m = w.window;
  w.Choose("AT25DF321A");
  m.RadioGpVolt->SetItemIndex(1);
  EXPECT_EQ(js.CtrlFlags & 0x07, 0x01);
  size_t first = LineCount();
  w.Choose("GD25LD10C");
  EXPECT_EQ(m.RadioGpVolt->ItemIndex(), 2);
  EXPECT_EQ(js.CtrlFlags & 0x07, 0x04);
  std::vector<std::string> texts = TextsFrom(first);
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[2], "3.3V Interface is selected!");  // after the chip and size lines
  EXPECT_EQ(texts.back(), "1.8V Interface is selected!");
}

TEST_F(ChipChangeTest, ChoosingTheShownChipAgainChangesNothing) {
  w.Choose("AT24C01");
  w.window.RadioGpVolt->SetItemIndex(1);
  size_t first = LineCount();
  js.DataLoaded = 1;
  js.DataEnd = 7;
  js.DataBuffer[3] = 0x5A;
  w.Choose("AT24C01");
  EXPECT_TRUE(TextsFrom(first).empty());
  EXPECT_EQ(js.DataLoaded, 1);
  EXPECT_EQ(js.DataEnd, 7u);
  EXPECT_EQ(js.DataBuffer[3], 0x5A);
  EXPECT_EQ(w.window.RadioGpVolt->ItemIndex(), 1);
  EXPECT_EQ(w.window.lbFlashSize->text().toStdString(), "16 Byte");
}

}  // namespace
