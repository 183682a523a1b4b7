// Serial numbers: the enabling of their controls, the count limit box, the
// online number written into the image and its grid, and its advance when a
// run hands numbers out.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <algorithm>

#include "SettingsWindow.h"
#include "protocol/Checks.h"
#include "protocol/CommandStart.h"
#include "protocol/SlotSerialNumbers.h"
#include "protocol/SerialNumber.h"
#include "ui/HexGridModel.h"

namespace {

struct SerialNumberTest : ::testing::Test, SettingsWindow {
  TQZProgrammer& w = *window;

  // A 256-byte EEPROM image shown in the grid, online serial numbers on.
  SerialNumberTest() {
    js->ChipFamily = 0xB0;
    js->DataStart = 0;
    js->DataEnd = 0xFF;
    std::fill_n(js->DataBuffer.get(), 0x100, 0x00);
    w.FillHexViewer(0, 0xFF);
    w.CheckBoxSN->setChecked(true);
    w.ChkBoxPCSN->setChecked(true);
  }
  THexGridModel& Grid() { return *static_cast<THexGridModel*>(w.HexViewer->model()); }
  // Collects the settings and inserts the number, as Auto and Program do.
  void Insert() {
    ASSERT_TRUE(w.CollectControlSettings());
    w.InsertSNIntoBuffer();
  }
  // `command` on units 1..units, started by the engine as the buttons do;
  // the units are left idle again, as after their answers.
  int Run(SlotCommand command, int units) {
    js->ChipSelected = 1;
    js->DataLoaded = 1;
    for (int s = 0; s < kSlotCount; ++s) {
      js->SlotConnected[s] = s < units ? 1 : 0;
      js->SlotBusy[s] = 0;
      js->SlotOp[s] = kOpIdle;
    }
    const int started = RunSlotCommand(*js, command, w.ReadControlStates());
    for (int s = 0; s < kSlotCount; ++s) js->SlotBusy[s] = 0;
    return started;
  }
  int Program(int units) {
    w.AddrEdit->setText("0x10");
    return Run(SlotCommand::Program, units);
  }
  bool LogHas(const std::string& text) {
    auto texts = LogTexts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
  }
};

TEST_F(SerialNumberTest, InsertedInEitherByteOrderIntoBufferGridAndChecksums) {
  struct Case {
    bool bigEndian;
    uint8_t bytes[4];
  } cases[] = {{true, {0x12, 0x34, 0x56, 0x78}}, {false, {0x78, 0x56, 0x34, 0x12}}};
  for (const Case& c : cases) {
    w.SNOrderChk->setChecked(c.bigEndian);
    w.SNEdit->setText("0x12345678");
    w.AddrEdit->setText("0x10");
    Insert();
    const uint8_t* buf = js->DataBuffer.get();
    EXPECT_EQ(buf[0x0F], 0x00);
    EXPECT_EQ(buf[0x14], 0x00);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(buf[0x10 + i], c.bytes[i]) << c.bigEndian << i;
      EXPECT_EQ(Grid().CellText(2, 1 + i), QString::asprintf("%02X", c.bytes[i])) << c.bigEndian << i;
    }
    EXPECT_EQ(js->ChipCRC32, CRC32Block(buf, 0, 0xFF));
    EXPECT_EQ(js->ChipSum32, 0x114u);
    EXPECT_EQ(w.StatusPanels[1]->text().toStdString(),
              QString::asprintf("Chip CRC32 : 0x%08X", js->ChipCRC32).toStdString());
    EXPECT_TRUE(LogHas(QString::asprintf("Chip CRC32 CheckSum  = 0x%08X.", js->ChipCRC32).toStdString()));
  }
}

TEST_F(SerialNumberTest, AnAddressOutsideTheBufferWritesNothing) {
  uint8_t* buf = js->DataBuffer.get();
  buf[kDataBufferSize - 4] = 0xEE;
  buf[kDataBufferSize - 1] = 0xDD;
  const uint32_t crcBefore = CRC32Block(buf, 0, 0xFF);
  struct Case {
    bool snOn;
    const char* address;
    const char* line;
  } cases[] = {
      // Serial numbers off: the collection gives the address 0xFFFFFFFF.
      {false, "0x10", "S/N not inserted: address 0xFFFFFFFF lies outside the data buffer."},
      {true, "0x081FFFFE", "S/N not inserted: address 0x081FFFFE lies outside the data buffer."},
      {true, "-1", "S/N not inserted: address 0xFFFFFFFF lies outside the data buffer."},
  };
  for (const Case& c : cases) {
    w.CheckBoxSN->setChecked(c.snOn);
    w.SNEdit->setText("0x12345678");
    w.AddrEdit->setText(c.address);
    Insert();
    EXPECT_TRUE(LogHas(c.line)) << c.address;
    EXPECT_EQ(buf[kDataBufferSize - 4], 0xEE);
    EXPECT_EQ(buf[kDataBufferSize - 1], 0xDD);
    EXPECT_EQ(CRC32Block(buf, 0, 0xFF), crcBefore) << c.address;
  }

  // The last four bytes of the buffer are still a place for the number.
  w.CheckBoxSN->setChecked(true);
  w.AddrEdit->setText("0x081FFFFD");
  Insert();
  EXPECT_EQ(buf[kDataBufferSize - 4], 0x78);
  EXPECT_EQ(buf[kDataBufferSize - 1], 0x12);
}

TEST_F(SerialNumberTest, ANumberRunningPastTheGridShowsOnlyItsGridBytes) {
  w.SNOrderChk->setChecked(true);
  w.SNEdit->setText("0x12345678");
  w.AddrEdit->setText("0xFE");  // the last two bytes of the grid, two beyond
  Insert();
  EXPECT_EQ(js->DataBuffer[0x100], 0x56);
  EXPECT_EQ(Grid().rowCount(), 17);
  EXPECT_EQ(Grid().CellText(16, 15), "12");
  EXPECT_EQ(Grid().CellText(16, 16), "34");
  EXPECT_FALSE(Grid().IndexOfAddress(0x100).isValid());
}

TEST_F(SerialNumberTest, ARunMovesTheNumberPastEveryNumberItHandsOut) {
  struct Case {
    const char* start;
    const char* gain;
    int units;
    const char* next;
  } cases[] = {
      {"0xFF", "1", 1, "0x00000100"},
      {"0xFFFFFFFF", "0x01", 1, "0x00000000"},
      {"0x10", "0x12345", 1, "0x00002355"},  // gain cut to 16 bits
      {"-2", "$FFFF", 1, "0x0000FFFD"},      // the gain is unsigned
      {"0xFFFFFFFE", "2", 3, "0x00000004"},  // three units, past the wrap
  };
  for (const Case& c : cases) {
    w.SNEdit->setText(c.start);
    w.GainEdit->setText(c.gain);
    EXPECT_EQ(Program(c.units), c.units);
    EXPECT_EQ(w.SNEdit->text().toStdString(), c.next) << c.start;
  }

  // The next run starts where the last one left the number.
  w.SNEdit->setText("0x00000100");
  w.GainEdit->setText("0x01");
  Program(2);
  Program(1);
  EXPECT_EQ(js->DataBuffer[0x10], 0x02);
  EXPECT_EQ(w.SNEdit->text(), "0x00000103");
}

TEST_F(SerialNumberTest, NoAdvanceUnlessBothBoxesAreCheckedNorByAVerifyAlone) {
  w.SNEdit->setText("0x00000005");
  w.CheckBoxSN->setChecked(false);
  Program(1);
  EXPECT_EQ(w.SNEdit->text(), "0x00000005");

  w.CheckBoxSN->setChecked(true);
  w.ChkBoxPCSN->setChecked(false);
  Program(1);
  EXPECT_EQ(w.SNEdit->text(), "0x00000005");

  w.ChkBoxPCSN->setChecked(true);
  Run(SlotCommand::Verify, 2);
  EXPECT_EQ(w.SNEdit->text(), "0x00000005");
}

TEST_F(SerialNumberTest, EnableSNEnablesItsControlsWithoutUncheckingThem) {
  QWidget* controls[] = {w.SNEdit, w.GainEdit, w.AddrEdit, w.ChkBoxPCSN, w.SNOrderChk, w.ChkBoxStrSN,
                         w.BitBtnFixSN};
  w.CheckBoxSN->setChecked(false);
  for (QWidget* c : controls) EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
  EXPECT_TRUE(w.ChkBoxPCSN->isChecked());
  w.CheckBoxSN->setChecked(true);
  for (QWidget* c : controls) EXPECT_TRUE(c->isEnabled()) << c->objectName().toStdString();
}

TEST_F(SerialNumberTest, CountLimitBoxFollowsTheSpinValue) {
  w.SpinEditNumb->setValue(10);
  EXPECT_TRUE(w.ChkBoxNumb->isChecked());
  w.SpinEditNumb->setValue(0);
  EXPECT_FALSE(w.ChkBoxNumb->isChecked());
  w.SpinEditNumb->setValue(1000000);
  EXPECT_TRUE(w.ChkBoxNumb->isChecked());
}

TEST(SerialNumberAfter, WrapsAndTakesTheGainUnsigned) {
  EXPECT_EQ(SerialNumberAfter(0xFFFFFFFF, 1, 1), 0u);
  EXPECT_EQ(SerialNumberAfter(0xFFFFFFF0, 0x20, 1), 0x10u);
  EXPECT_EQ(SerialNumberAfter(0, -1, 1), 0xFFFFu);
  EXPECT_EQ(SerialNumberAfter(0xFFFFFFFE, 2, 3), 4u);
  EXPECT_EQ(SerialNumberAfter(7, 5, 0), 7u);
}

}  // namespace
