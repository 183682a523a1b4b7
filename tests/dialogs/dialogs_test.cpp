#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QToolButton>
#include <memory>

#include "QtApp.h"
#include "catalogue/ChipCatalogue.h"
#include "protocol/JobState.h"
#include "support/FakeView.h"
#include "ui/AboutForm.h"
#include "ui/ChipSeltForm.h"
#include "ui/ConfigSNForm.h"
#include "ui/DataViewForm.h"
#include "ui/LogCfgForm.h"
#include "ui/RdSetForm.h"
#include "ui/SetAdrForm.h"

namespace {

class Dialogs : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureQtApp();
    js_ = new JobState();
  }
  static void TearDownTestSuite() { delete js_; }
  void SetUp() override {
    InitChipParams(*js_);
    view_ = FakeView{};
    js_->LogMemo = &view_;
  }
  template <typename Form>
  void RecordBoxes(Form& form) {
    form.MessageBoxHook = [this](const std::string& text) { boxes_.push_back(text); };
  }
  // The memo's line i (0 is the header).
  static std::string MemoLine(TDataViewForm& form, int i) {
    return form.DataViewMemo->toPlainText().split('\n').value(i).toStdString();
  }

  static JobState* js_;
  FakeView view_;
  std::vector<std::string> boxes_;
};
JobState* Dialogs::js_ = nullptr;

std::string Repeat(const std::string& text, size_t times) {
  std::string out;
  for (size_t i = 0; i < times; ++i) out += text;
  return out;
}

// Typed texts and the bytes the chip gets: one 8-bit code per character of
// the legacy code page, two bytes for each Chinese character.
struct TypedTextCase {
  const char* what;
  const char* text;
  std::vector<uint8_t> bytes;
};
const TypedTextCase kTypedTexts[] = {
    {"ASCII", "Hi", {0x48, 0x69}},
    {"accented letter", "éZ", {0xA8, 0xA6, 0x5A}},
    {"Chinese", "芯片1", {0xD0, 0xBE, 0xC6, 0xAC, 0x31}},
};

// --- Data buffer viewer ------------------------------------------------------

TEST_F(Dialogs, DataViewShowsAPageOf512Bytes) {
  for (int i = 0; i < 0x400; ++i) js_->DataBuffer[i] = static_cast<uint8_t>(i);
  js_->DataEnd = 0xFFFF;
  TDataViewForm form(*js_);
  form.DataViewOffset = 0x200;
  form.FormShow();  // showing starts at 0 again
  EXPECT_EQ(form.DataViewOffset, 0u);
  QStringList lines = form.DataViewMemo->toPlainText().split('\n');
  ASSERT_EQ(lines.size(), 33);
  EXPECT_EQ(MemoLine(form, 0), "            0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F");
  EXPECT_EQ(MemoLine(form, 1),
            "0x00000000  00  01  02  03  04  05  06  07  08  09  0A  0B  0C  0D  0E  0F ");
  EXPECT_EQ(MemoLine(form, 32).substr(0, 15), "0x000001F0  F0 ");
  // Each byte's first digit stands under its column's digit.
  EXPECT_EQ(MemoLine(form, 0).find('A'), MemoLine(form, 1).find("0A"));
}

TEST_F(Dialogs, DataViewNavigation) {
  js_->DataEnd = 0xFFFF;
  TDataViewForm form(*js_);
  RecordBoxes(form);
  form.FormShow();
  std::vector<uint32_t> downs;
  for (int i = 0; i < 130; ++i) {
    form.BitBtnPagDwClick();
    downs.push_back(form.DataViewOffset);
  }
  EXPECT_EQ(downs[0], 0x200u);
  EXPECT_EQ(downs[1], 0x400u);
  EXPECT_EQ(downs[126], 0xFE00u);
  EXPECT_EQ(downs.back(), 0xFE00u);  // stays at E - 511

  struct Step {
    const char* name;
    uint32_t from;
    std::function<void()> act;
    uint32_t to;
  };
  const std::vector<Step> steps = {
      {"PageUpFrom0x300", 0x300, [&] { form.BitBtnPagUpClick(); }, 0x100},
      {"PageUpFrom0x200", 0x200, [&] { form.BitBtnPagUpClick(); }, 0},
      {"PageUpFrom0x201", 0x201, [&] { form.BitBtnPagUpClick(); }, 1},
      {"UpArrow", 0x600, [&] { form.FormKeyDown(Qt::Key_Up, {}); }, 0x400},
      {"DownArrow", 0x600, [&] { form.FormKeyDown(Qt::Key_Down, {}); }, 0x800},
      {"PageDownKey", 0, [&] { form.FormKeyDown(Qt::Key_PageDown, {}); }, 0x200},
      {"Home", 0x1234, [&] { form.FormKeyDown(Qt::Key_Home, {}); }, 0},
      {"End", 0x1234, [&] { form.FormKeyDown(Qt::Key_End, {}); }, 0xFE00},
      {"OtherKey", 0x1234, [&] { form.FormKeyDown(Qt::Key_A, {}); }, 0x1234},
      {"Go0x1234", 0, [&] { form.EditAddr->setText("0x1234"); form.BitBtnGoClick(); }, 0x1230},
      {"GoPastTheEnd", 0, [&] { form.EditAddr->setText("99999999"); form.BitBtnGoClick(); }, 0xFFF0},
      {"GoNegative", 0, [&] { form.EditAddr->setText("-1"); form.BitBtnGoClick(); }, 0xFFF0},
      {"GoNotANumber", 0x400, [&] { form.EditAddr->setText("xyz"); form.BitBtnGoClick(); }, 0x400},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    form.DataViewOffset = s.from;
    s.act();
    EXPECT_EQ(form.DataViewOffset, s.to);
  }
  EXPECT_EQ(boxes_, std::vector<std::string>{"'xyz' is not a valid integer value"});
}

TEST_F(Dialogs, DataViewKeysReachItThroughTheMemo) {
  js_->DataEnd = 0xFFFF;
  TDataViewForm form(*js_);
  form.FormShow();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
  QApplication::sendEvent(form.DataViewMemo, &press);
  EXPECT_EQ(form.DataViewOffset, 0x200u);
}

TEST_F(Dialogs, DataViewOfARangeShorterThanAPageStaysAtZero) {
  js_->DataEnd = 0xFF;
  TDataViewForm form(*js_);
  form.FormShow();
  form.BitBtnPagDwClick();
  EXPECT_EQ(form.DataViewOffset, 0u);
  form.FormKeyDown(Qt::Key_End, {});
  EXPECT_EQ(form.DataViewOffset, 0u);
}

TEST_F(Dialogs, DataViewAtTheBufferEndShowsNothingBeyondIt) {
  js_->DataEnd = 0xFFFFFFFF;  // clamped to the buffer
  js_->DataBuffer[kDataBufferSize - 1] = 0x5A;
  TDataViewForm form(*js_);
  form.EditAddr->setText("0x8200000");
  form.BitBtnGoClick();
  EXPECT_EQ(form.DataViewOffset, 0x8200000u);
  EXPECT_EQ(MemoLine(form, 1), "0x08200000  5A " + std::string(60, ' '));
  form.FormKeyDown(Qt::Key_End, {});
  EXPECT_EQ(form.DataViewOffset, kDataBufferSize - 512);
}

// --- Fixed serial-number data -------------------------------------------------

TEST_F(Dialogs, FixedSNIsStoredAndTheRangeShownAgain) {
  js_->ChipSelected = 1;
  js_->ChipFamily = 0xA0;
  js_->ChipSizeCopy = js_->ChipSize = 0x400;
  js_->DataEnd = 0x3FF;
  TConfigSNForm form(*js_);
  RecordBoxes(form);
  form.AddrEditSN->setText("0x100");
  form.EditDataSN->setText("SN-0001");
  form.BitBtnOKClick();
  const uint8_t expected[] = {0x53, 0x4E, 0x2D, 0x30, 0x30, 0x30, 0x31};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(js_->DataBuffer[0x100 + i], expected[i]) << i;
  EXPECT_EQ(js_->DataBuffer[0xFF], 0xFF);
  EXPECT_EQ(js_->DataBuffer[0x107], 0xFF);
  EXPECT_EQ(js_->DataLoaded, 0);
  auto texts = view_.LogTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Chip End Address   = 0x0003FF."), texts.end());
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(Dialogs, FixedSNRefusals) {
  struct Case {
    const char* name;
    const char* address;
    const char* data;
    const char* box;
  };
  const Case cases[] = {
      {"EmptyText", "0x100", "", "Please input valid SN data!!"},
      {"AddressNotANumber", "0x1G", "AB", "'0x1G' is not a valid integer value"},
      {"PastTheBufferEnd", "0x8200000", "AB", "S/N data do not fit the data buffer!"},
      {"NegativeAddress", "-1", "AB", "S/N data do not fit the data buffer!"},
      {"CharacterWithoutACode", "0x100", "SN😀1", "The character \"😀\" has no GBK code and cannot be written!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    boxes_.clear();
    TConfigSNForm form(*js_);
    RecordBoxes(form);
    form.AddrEditSN->setText(c.address);
    form.EditDataSN->setText(QString::fromUtf8(c.data));
    form.BitBtnOKClick();
    EXPECT_EQ(boxes_, std::vector<std::string>{c.box});
    EXPECT_TRUE(view_.log.empty());  // nothing written, nothing shown again
    EXPECT_EQ(js_->DataBuffer[kDataBufferSize - 1], 0xFF);
    EXPECT_EQ(form.result(), QDialog::Accepted);  // the dialog closes all the same
  }
}

// Bytes past the chip's end would never be programmed, and the verify,
// which covers the chip only, would pass all the same.
TEST_F(Dialogs, FixedSNMustLieInsideTheChip) {
  struct Case {
    const char* chip;
    const char* address;
    const char* data;
    const char* box;  // empty: written
  };
  const Case cases[] = {
      {"24xx64", "0x1FFE", "ABCD",
       "The S/N data at address 0x00001FFE (4 bytes) lie beyond the end of the chip, whose size is "
       "0x00002000 bytes! Please choose another address or shorter data."},
      {"24xx64", "0x2000", "A",
       "The S/N data at address 0x00002000 (1 bytes) lie beyond the end of the chip, whose size is "
       "0x00002000 bytes! Please choose another address or shorter data."},
      {"24xx64", "0x1FFC", "ABCD", ""},
      {"24xx64", "0x1FFF", "A", ""},
      {"W25x40xx", "0x7FFFE", "ABCD",
       "The S/N data at address 0x0007FFFE (4 bytes) lie beyond the end of the chip, whose size is "
       "0x00080000 bytes! Please choose another address or shorter data."},
      {"W25x40xx", "-1", "A",
       "The S/N data at address 0xFFFFFFFF (1 bytes) lie beyond the end of the chip, whose size is "
       "0x00080000 bytes! Please choose another address or shorter data."},
      {"W25x40xx", "0x7FFFC", "ABCD", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.chip) + " at " + c.address);
    SetUp();
    QLineEdit name;
    TChipSeltForm chips(*js_, [&](const QString& chosen) { name.setText(chosen); });
    const ChipEntry* entry = FindChipEntry(c.chip);
    ASSERT_NE(entry, nullptr);
    chips.ChooseEntry(*entry);
    js_->ChipSizeCopy = js_->ChipSize;  // as the chip button does after a choice
    js_->ChipSelected = 1;              // as the window's chip change does
    std::fill_n(js_->DataBuffer.get(), 0x100000, 0xFF);
    view_ = FakeView{};
    boxes_.clear();
    const uint32_t dataEnd = js_->DataEnd;

    TConfigSNForm form(*js_);
    RecordBoxes(form);
    form.AddrEditSN->setText(c.address);
    form.EditDataSN->setText(c.data);
    const bool written = form.WriteFixedSNData();

    const uint32_t at = static_cast<uint32_t>(std::stoll(c.address, nullptr, 0));
    const size_t n = std::strlen(c.data);
    if (*c.box == 0) {
      EXPECT_TRUE(written);
      EXPECT_TRUE(boxes_.empty());
      EXPECT_EQ(std::string(js_->DataBuffer.get() + at, js_->DataBuffer.get() + at + n), c.data);
      continue;
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(boxes_, std::vector<std::string>{c.box});
    EXPECT_TRUE(view_.log.empty());  // nothing written, nothing shown again
    EXPECT_EQ(js_->DataEnd, dataEnd);
    EXPECT_TRUE(std::all_of(js_->DataBuffer.get(), js_->DataBuffer.get() + 0x100000,
                            [](uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(js_->DataBuffer[kDataBufferSize - 1], 0xFF);
  }
}

TEST_F(Dialogs, FixedSNStoresTheLegacyCodes) {
  for (const auto& c : kTypedTexts) {
    SCOPED_TRACE(c.what);
    std::fill_n(js_->DataBuffer.get() + 0x100, 16, 0xFF);
    TConfigSNForm form(*js_);
    RecordBoxes(form);
    form.AddrEditSN->setText("0x100");
    form.EditDataSN->setText(QString::fromUtf8(c.text));
    EXPECT_TRUE(form.WriteFixedSNData());
    EXPECT_EQ(std::vector<uint8_t>(js_->DataBuffer.get() + 0x100, js_->DataBuffer.get() + 0x100 + c.bytes.size()),
              c.bytes);
    EXPECT_EQ(js_->DataBuffer[0x100 + c.bytes.size()], 0xFF);
    EXPECT_TRUE(boxes_.empty());
  }
}

TEST_F(Dialogs, FixedSNAtTheLastByteFits) {
  TConfigSNForm form(*js_);
  RecordBoxes(form);
  form.AddrEditSN->setText("0x8200000");
  form.EditDataSN->setText("Z");
  EXPECT_TRUE(form.WriteFixedSNData());
  EXPECT_EQ(js_->DataBuffer[kDataBufferSize - 1], 'Z');
}

// --- Log file configuration ------------------------------------------------

TEST_F(Dialogs, LogConfigStartsAsDesigned) {
  TLogCfgForm form;
  EXPECT_TRUE(form.LogEnabled());
  EXPECT_TRUE(form.AutoLogName());
  EXPECT_EQ(form.LogWriteMode(), 0);
  EXPECT_EQ(form.GetLogFileName(), "QZ_2016xx.log");
  EXPECT_FALSE(form.RadioGrpMod->isEnabled());
  EXPECT_FALSE(form.EditLogName->isEnabled());
  EXPECT_FALSE(form.SpeedButtonOP->isEnabled());
  EXPECT_EQ(form.RadioGrpCreat->title(), "RadioGrpCreat");
  EXPECT_EQ(form.RadioGrpMod->title(), "RadioGroup1");
  EXPECT_EQ(form.windowTitle(), "Config Log File.");
}

TEST_F(Dialogs, LogConfigControlsFollowTheChoices) {
  TLogCfgForm form;
  RecordBoxes(form);
  form.SetCreatIndex(1);  // the operator names the file
  EXPECT_TRUE(form.RadioGrpMod->isEnabled());
  EXPECT_TRUE(form.EditLogName->isEnabled());
  EXPECT_EQ(form.GetLogFileName(), "QZ_2016xx.log");  // text kept
  form.SetModIndex(2);
  EXPECT_EQ(form.LogWriteMode(), 2);
  EXPECT_FALSE(form.AutoLogName());

  form.OpenDialogLog = [] { return QString("/tmp/my.log"); };
  form.SpeedButtonOPClick();
  EXPECT_EQ(form.GetLogFileName(), "/tmp/my.log");
  form.OpenDialogLog = [] { return QString(); };  // cancelled
  form.SpeedButtonOPClick();
  EXPECT_EQ(form.GetLogFileName(), "/tmp/my.log");

  form.SetCreatIndex(0);  // the program names it: the name is emptied
  EXPECT_EQ(form.GetLogFileName(), "");
  EXPECT_EQ(form.LogWriteMode(), 0);
  EXPECT_FALSE(form.RadioGrpMod->isEnabled());
  EXPECT_FALSE(form.EditLogName->isEnabled());

  form.CheckBoxLog->setChecked(false);
  form.CheckBoxLogClick();
  EXPECT_FALSE(form.LogEnabled());
  EXPECT_FALSE(form.RadioGrpCreat->isEnabled());
  EXPECT_FALSE(form.RadioGrpMod->isEnabled());
  EXPECT_FALSE(form.SpeedButtonOP->isEnabled());
  EXPECT_FALSE(form.EditLogName->isEnabled());
  form.CheckBoxLog->setChecked(true);
  form.CheckBoxLogClick();  // all enabled, whatever the naming choice
  EXPECT_TRUE(form.RadioGrpMod->isEnabled());
  EXPECT_TRUE(form.EditLogName->isEnabled());
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(Dialogs, LogConfigClickOnTheChosenNamingItemKeepsTheMode) {
  TLogCfgForm form;
  auto* operatorNames = form.RadioGrpCreat->findChildren<QRadioButton*>().value(1);
  ASSERT_NE(operatorNames, nullptr);
  operatorNames->click();
  EXPECT_TRUE(form.RadioGrpMod->isEnabled());
  form.SetModIndex(2);  // append
  form.EditLogName->setText("run.log");
  operatorNames->click();  // already chosen: nothing changes
  EXPECT_EQ(form.LogWriteMode(), 2);
  EXPECT_EQ(form.GetLogFileName(), "run.log");

  form.RadioGrpCreat->findChildren<QRadioButton*>().value(0)->click();
  EXPECT_EQ(form.LogWriteMode(), 0);
  EXPECT_EQ(form.GetLogFileName(), "");
  EXPECT_FALSE(form.RadioGrpMod->isEnabled());
}

TEST_F(Dialogs, LogConfigOkNeedsANameForAnOperatorNamedFile) {
  TLogCfgForm form;
  RecordBoxes(form);
  form.show();
  form.SetCreatIndex(1);
  form.EditLogName->clear();
  form.OKClick();
  EXPECT_EQ(boxes_, std::vector<std::string>{"Please Input Valid Log File Name!"});
  EXPECT_TRUE(form.isVisible());  // stays open
  form.EditLogName->setText("run.log");
  form.OKClick();
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(boxes_.size(), 1u);
}

// --- Write to address --------------------------------------------------------

TEST_F(Dialogs, AddressWriteTakesTheTextBytes) {
  TSetAdrForm form(*js_);
  RecordBoxes(form);
  form.EditAdr->setText("0x0010");
  form.EditData->setText("Hi");
  EXPECT_TRUE(form.BitBtn1Click());
  EXPECT_EQ(js_->AddrWriteAddr, 0x10);
  EXPECT_EQ(js_->AddrWriteLen, 2);
  EXPECT_EQ(js_->AddrWriteData, (std::vector<uint8_t>{0x48, 0x69}));

  form.EditAdr->clear();  // an empty address is 0
  form.EditData->setText("AB");
  EXPECT_TRUE(form.BitBtn1Click());
  EXPECT_EQ(js_->AddrWriteAddr, 0);
  EXPECT_EQ(js_->AddrWriteData, (std::vector<uint8_t>{0x41, 0x42}));

  form.EditData->clear();  // no data: no command follows
  EXPECT_TRUE(form.BitBtn1Click());
  EXPECT_EQ(js_->AddrWriteLen, 0);
  EXPECT_TRUE(boxes_.empty());
}

TEST_F(Dialogs, AddressWriteTakesTheLegacyCodes) {
  for (const auto& c : kTypedTexts) {
    SCOPED_TRACE(c.what);
    TSetAdrForm form(*js_);
    RecordBoxes(form);
    form.EditAdr->setText("0x10");
    form.EditData->setText(QString::fromUtf8(c.text));
    EXPECT_TRUE(form.BitBtn1Click());
    EXPECT_EQ(js_->AddrWriteLen, c.bytes.size());
    EXPECT_EQ(js_->AddrWriteData, c.bytes);
    EXPECT_TRUE(boxes_.empty());
  }
}

TEST_F(Dialogs, AddressWriteRefusalsKeepThePreviousValues) {
  struct Case {
    const char* name;
    const char* address;
    std::string data;
    const char* box;
  };
  const Case cases[] = {
      {"NotANumber", "0xZZ", "AB", "'0xZZ' is not a valid integer value"},
      {"AboveFFFF", "0x10000", "AB", "Address 0x10000 is outside 0x0000 to 0xFFFF!"},
      {"Negative", "-1", "AB", "Address 0xFFFFFFFF is outside 0x0000 to 0xFFFF!"},
      {"TooLongForAPacket", "0", std::string(kAddrWriteMaxLen + 1, 'x'), "At most 8130 bytes can be written at once!"},
      {"TooLongInEncodedBytes", "0", Repeat("芯", kAddrWriteMaxLen / 2 + 1), "At most 8130 bytes can be written at once!"},
      {"CharacterWithoutACode", "0", "A😀", "The character \"😀\" has no GBK code and cannot be written!"},
      {"LetterWithoutACode", "0", "Straße", "The character \"ß\" has no GBK code and cannot be written!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    boxes_.clear();
    js_->AddrWriteAddr = 0x22;
    js_->AddrWriteLen = 1;
    js_->AddrWriteData = {0x7A};
    TSetAdrForm form(*js_);
    RecordBoxes(form);
    form.EditAdr->setText(c.address);
    form.EditData->setText(QString::fromUtf8(c.data));
    EXPECT_FALSE(form.BitBtn1Click());
    EXPECT_EQ(boxes_, std::vector<std::string>{c.box});
    EXPECT_EQ(js_->AddrWriteAddr, 0x22);
    EXPECT_EQ(js_->AddrWriteLen, 1);
    EXPECT_EQ(js_->AddrWriteData, std::vector<uint8_t>{0x7A});
  }
}

TEST_F(Dialogs, AddressWriteStartsOnlyFromAnAcceptedValidDialog) {
  js_->AddrWriteLen = 3;  // values of an earlier OK
  js_->AddrWriteData = {1, 2, 3};
  TSetAdrForm form(*js_);
  RecordBoxes(form);

  // Closed without OK: the old values stay, but no write starts.
  QTimer::singleShot(0, &form, [&] { form.reject(); });
  EXPECT_FALSE(form.Execute());
  EXPECT_EQ(js_->AddrWriteLen, 3);

  form.EditAdr->setText("0x20");
  form.EditData->setText("Q");
  QTimer::singleShot(0, &form, [&] { form.BitBtn1->click(); });
  EXPECT_TRUE(form.Execute());
  EXPECT_EQ(js_->AddrWriteAddr, 0x20);

  form.EditAdr->setText("0x1FFFF");  // refused: no write with the stale values
  QTimer::singleShot(0, &form, [&] { form.BitBtn1->click(); });
  EXPECT_FALSE(form.Execute());
}

// --- Read length ---------------------------------------------------------------

TEST_F(Dialogs, ReadLengthChoices) {
  js_->ChipSizeCopy = 0x100000;
  js_->ChipSize = 0x12100;
  TRdSetForm form(*js_);

  js_->DataLoaded = 0;
  form.FormShow();
  EXPECT_TRUE(form.RadioBtnRCP->isChecked());
  EXPECT_FALSE(form.RadioBtnRFIL->isChecked());
  EXPECT_FALSE(form.RadioBtnRFIL->isEnabled());
  EXPECT_EQ(form.RadioBtnRCP->text(), "Read data using chip flash Size");
  EXPECT_EQ(form.RadioBtnRFIL->text(), "Read data using loaded file size");
  form.BitBtn1Click();
  EXPECT_EQ(js_->ReadLength, 0x100000u);

  js_->DataLoaded = 1;
  form.FormShow();
  EXPECT_FALSE(form.RadioBtnRCP->isChecked());
  EXPECT_TRUE(form.RadioBtnRFIL->isChecked());
  EXPECT_TRUE(form.RadioBtnRFIL->isEnabled());
  form.BitBtn1Click();
  EXPECT_EQ(js_->ReadLength, 0x12100u);

  // Closed by its title bar: the length stays.
  js_->ReadLength = 77;
  QTimer::singleShot(0, &form, [&] { form.reject(); });
  form.exec();
  EXPECT_EQ(js_->ReadLength, 77u);
}

TEST_F(Dialogs, AboutBox) {
  TAboutForm form;
  EXPECT_EQ(form.windowTitle(), "About");
  EXPECT_EQ(form.ProductName->text(), QString::fromUtf8("KorvanQZ-DizeD SPI Flash/EEP  编程器"));
  EXPECT_EQ(form.Version->text(), "Version V06");
}

}  // namespace
