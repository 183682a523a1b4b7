// The settings controls of the main window: the handlers that act at once,
// and the collection reading the real controls before a command.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>

#include "SettingsWindow.h"
#include "ui/RadioGroup.h"

namespace {

struct SettingsWindowTest : ::testing::Test, SettingsWindow {
  TQZProgrammer& w = *window;
};

TEST_F(SettingsWindowTest, ProtectionListsAndSrwdSetTheByteAtOnce) {
  w.ChkBoxSRWD->setChecked(true);
  EXPECT_EQ(js->ProtectByte, 0x80);
  EXPECT_EQ(w.LabelWP->text(), "Protected Setting: 0x80.");

  w.ComBoxWPF->setCurrentIndex(15);
  emit w.ComBoxWPF->activated(15);
  EXPECT_EQ(js->ProtectByte, 0xBC);
  EXPECT_EQ(w.LabelWP->text(), "Protected Setting: 0xBC.");

  w.ChkBoxSRWD->setChecked(false);
  EXPECT_EQ(js->ProtectByte, 0x3C);
  EXPECT_EQ(w.LabelWP->text(), "Protected Setting: 0x3C.");

  w.ComBoxWP8->setCurrentIndex(5);
  emit w.ComBoxWP8->activated(5);
  EXPECT_EQ(js->ProtectByte, 0x14);
  EXPECT_EQ(w.LabelWP->text(), "Protected Setting: 0x14.");
}

TEST_F(SettingsWindowTest, ChipDetectionEnablesItsTimes) {
  w.CheckBoxAut->setChecked(true);
  EXPECT_TRUE(w.SpinEditIn->isEnabled());
  EXPECT_TRUE(w.SpinEditOut->isEnabled());
  w.CheckBoxAut->setChecked(false);
  EXPECT_FALSE(w.SpinEditIn->isEnabled());
  EXPECT_FALSE(w.SpinEditOut->isEnabled());
}

TEST_F(SettingsWindowTest, ChecksumKindIsShownOnceDataIsLoaded) {
  js->LoadSum = 0xA1;
  js->ChipSum32 = 0xB2;
  js->FileCRC32 = 0xC3;
  js->ChipCRC32 = 0xD4;
  w.StatusPanels[0]->setText("before");

  js->ChipSelected = 1;
  js->DataLoaded = 0;
  w.RadioGroupX->SetItemIndex(0);
  EXPECT_EQ(w.StatusPanels[0]->text(), "before");

  js->DataLoaded = 1;
  w.RadioGroupX->SetItemIndex(1);
  EXPECT_EQ(w.StatusPanels[0]->text(), "File CRC32 : 0x000000C3");
  EXPECT_EQ(w.StatusPanels[1]->text(), "Chip CRC32 : 0x000000D4");
  w.RadioGroupX->SetItemIndex(0);
  EXPECT_EQ(w.StatusPanels[0]->text(), "File ACC32 : 0x000000A1");
  EXPECT_EQ(w.StatusPanels[1]->text(), "Chip ACC32 : 0x000000B2");

  // The chip/file choice only matters to the next command.
  w.RadioGrpSumDP->SetItemIndex(1);
  EXPECT_EQ(w.StatusPanels[1]->text(), "Chip ACC32 : 0x000000B2");
}

TEST_F(SettingsWindowTest, PortChoiceLogClearingAndReadResult) {
  w.ComboBoxCOM->addItems({"/dev/ttyUSB0", "/dev/ttyUSB1"});
  w.ComboBoxCOM->setCurrentIndex(1);
  emit w.ComboBoxCOM->activated(1);
  EXPECT_EQ(js->SelectedPort, "/dev/ttyUSB1");

  w.AddInfoLine("something");
  w.ClearInformation1->trigger();
  EXPECT_TRUE(w.LogLines().empty());

  js->DataLoaded = 0;
  js->ReadLength = 0x100;
  w.Button1->click();
  auto texts = LogTexts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[1], "Read Data End Address : 0x000000FF.");
}

TEST_F(SettingsWindowTest, CollectionReadsTheWindowsControls) {
  js->ChipFamily = 0x03;
  js->ChipSubType = 0x07;
  js->PageSize = 256;
  w.EnBlankChk->setChecked(true);
  w.EnVerifyChk->setChecked(false);
  w.CheckBoxQE->setChecked(true);
  w.ChkBoxLSP->setChecked(true);
  w.ChkBoxNotBLK->setChecked(true);
  w.RadioGpVolt->SetItemIndex(1);
  w.SpinEditIn->setValue(700);
  w.SpinEditOut->setValue(1000);
  w.SpinEditPTM->setValue(300);
  w.CheckBoxAut->setChecked(true);
  w.CheckBoxSN->setChecked(true);
  w.SNOrderChk->setChecked(true);
  w.SNEdit->setText("0x00000010");
  w.GainEdit->setText("2");
  w.AddrEdit->setText("0x100");
  w.SpinEditNumb->setValue(50);
  w.RadioGroupX->SetItemIndex(0);
  w.RadioGrpSumDP->SetItemIndex(1);
  js->LoadSum = 0x1234;

  ASSERT_TRUE(w.CollectControlSettings());
  EXPECT_EQ(js->StepFlags, 0x1A);
  EXPECT_EQ(js->ChipOpBytes[1], 0x02);
  EXPECT_EQ(js->ChipOptions, 0x80);
  EXPECT_EQ(js->CtrlFlags, 0x51);
  EXPECT_EQ(js->ChipInTime, 21);
  EXPECT_EQ(js->ChipOffTime, 31);
  EXPECT_EQ(js->PowerTime, 30);
  EXPECT_EQ(js->AutoDetect, 15);
  EXPECT_EQ(js->SNEnabled, 15);
  EXPECT_EQ(js->SNValue, 0x10);
  EXPECT_EQ(js->SNGain, 2);
  EXPECT_EQ(js->SNAddress, 0x100);
  EXPECT_EQ(js->CountLimitOn, 15);
  EXPECT_EQ(js->CountLimit, 50);
  EXPECT_EQ(js->ShownChecksum, 0x1234u);
  auto texts = LogTexts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_EQ(texts[texts.size() - 3], "Protected Setting:  0x00.");
  EXPECT_EQ(texts[texts.size() - 2], "");
  EXPECT_EQ(texts.back(), "> Control Setting(Hex): 03,07,80,00, 01,00,1A,51, 05,00,00,100.");
  EXPECT_TRUE(boxes.empty());
}

TEST_F(SettingsWindowTest, ANonIntegerStopsTheCommandAndLeavesRunningSlotsAlone) {
  // Slot 2 is still programming from an earlier command.
  js->SlotOp[2] = kOpProgram149;
  js->SlotBusy[2] = 1;
  js->SlotKbIndex[2] = 40;

  w.GainEdit->setText("one");
  EXPECT_FALSE(w.CollectControlSettings());
  EXPECT_EQ(boxes, std::vector<std::string>{"'one' is not a valid integer value"});
  EXPECT_EQ(js->SlotKbIndex[2], 40u);

  w.GainEdit->setText("x10");
  EXPECT_TRUE(w.CollectControlSettings());
  EXPECT_EQ(js->SNGain, 16);
  EXPECT_EQ(js->SlotKbIndex[2], 40u);
  EXPECT_EQ(boxes.size(), 1u);
}

}  // namespace
