#include "ui/ChipOptionPanels.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>

#include "catalogue/ChipCatalogue.h"
#include "catalogue/OptionPanels.h"
#include "protocol/ChipFamilies.h"
#include "protocol/JobState.h"
#include "ui/MainWindow.h"
#include "ui/RadioGroup.h"

namespace {

// A program-set item index raises no change event of the list.
void SelectItem(QComboBox* combo, int index) {
  const QSignalBlocker quiet(combo);
  combo->setCurrentIndex(index);
}

void HideAndUncheck(QAbstractButton* box) {
  box->setVisible(false);
  box->setChecked(false);
}

QTabWidget* TabsOf(const QWidget* page, int* index) {
  for (QWidget* p = page->parentWidget(); p != nullptr; p = p->parentWidget()) {
    if (auto* tabs = qobject_cast<QTabWidget*>(p)) {
      *index = tabs->indexOf(const_cast<QWidget*>(page));
      if (*index >= 0) return tabs;
    }
  }
  return nullptr;
}

// The controls every EEPROM panel hides: quad enable, SRWD and protection.
void HideFlashProtection(const OptionPanelControls& c) {
  HideAndUncheck(c.CheckBoxQE);
  c.ChkBoxSRWD->setVisible(false);
  c.LabelWP->setVisible(false);
  c.ComBoxWP8->setVisible(false);
  c.ComBoxWPF->setVisible(false);
}

void ShowDefaultDeviceAddress(const OptionPanelControls& c) {
  c.EditDevAdrX->setText("0xA0");
}

}  // namespace

OptionPanelControls OptionPanelControls::Of(TQZProgrammer& w) {
  OptionPanelControls c;
  c.TabChipSet = w.TabChipSet;
  c.TabSheetFlash = w.TabSheetFlash;
  c.LabelWP = w.LabelWP;
  c.ComBoxWP8 = w.ComBoxWP8;
  c.ComBoxWPF = w.ComBoxWPF;
  c.ChkBoxSRWD = w.ChkBoxSRWD;
  c.CheckBoxQE = w.CheckBoxQE;
  c.CheckBoxWRP = w.CheckBoxWRP;
  c.ChkBoxNotBLK = w.ChkBoxNotBLK;
  c.RadioGroupA61 = w.RadioGroupA61;
  c.EditDevAdrX = w.EditDevAdrX;
  c.RadioGroupSpd = w.RadioGroupSpd;
  c.SpdBtnErase = w.SpdBtnErase;
  c.SpdBtnBlkChk = w.SpdBtnBlkChk;
  c.GroupBoxCtrl = w.GroupBoxCtrl;
  c.EnBlankChk = w.EnBlankChk;
  c.EnEraseChk = w.EnEraseChk;
  c.MCUNameEdit = w.MCUNameEdit;
  return c;
}

void SetTabShown(QWidget* page, bool shown) {
  int index = -1;
  if (QTabWidget* tabs = TabsOf(page, &index)) tabs->setTabVisible(index, shown);
}

bool IsTabShown(const QWidget* page) {
  int index = -1;
  QTabWidget* tabs = TabsOf(page, &index);
  return tabs != nullptr && tabs->isTabVisible(index);
}

void SetupI2cEepromOptions(JobState& js, const OptionPanelControls& c) {
  I2cEepromPanelJobState(js);  // EraseTime 100, I2CDevAddr 0xA0
  SelectItem(c.ComBoxWP8, 0);
  SelectItem(c.ComBoxWPF, 0);
  // Only the 128 KB parts have an A16 address bit to place.
  c.RadioGroupA61->setVisible(js.ChipSize == 0x20000);
  c.RadioGroupA61->SetItemIndex((js.ChipAddrMode & 0x10) ? 0 : 1);
  c.ChkBoxNotBLK->setVisible(true);
  HideFlashProtection(c);
  c.SpdBtnErase->setVisible(false);
  c.SpdBtnBlkChk->setVisible(false);
  SetTabShown(c.TabChipSet, true);
  if (IsSpd(js.ChipFamily)) c.CheckBoxWRP->setVisible(true);
  ShowDefaultDeviceAddress(c);
}

void SetupMicrowireEepromOptions(JobState& js, const OptionPanelControls& c) {
  MicrowireEepromPanelJobState(js);  // EraseTime 100
  SelectItem(c.ComBoxWP8, 0);
  SelectItem(c.ComBoxWPF, 0);
  c.ChkBoxNotBLK->setVisible(false);
  HideFlashProtection(c);
  c.CheckBoxWRP->setVisible(false);
  c.RadioGroupSpd->SetItemIndex(0);  // CLK=100KHz
  SetTabShown(c.TabChipSet, false);
}

void SetupSpiEepromOptions(JobState& js, const OptionPanelControls& c) {
  SpiEepromPanelJobState(js);  // instruction codes, I2CDevAddr 0xA0
  SelectItem(c.ComBoxWP8, 0);
  SelectItem(c.ComBoxWPF, 0);
  c.RadioGroupSpd->SetItemIndex(3);  // CLK=1MHz
  HideFlashProtection(c);
  c.CheckBoxWRP->setVisible(false);
  c.ChkBoxNotBLK->setVisible(true);
  SetTabShown(c.TabChipSet, false);
  ShowDefaultDeviceAddress(c);
}

void SetupSpiFlashOptions(JobState& js, const OptionPanelControls& c) {
  SpiFlashPanelJobState(js);  // LargeImage, PageSize, ChipOpBytes[0]
  SelectItem(c.ComBoxWP8, 0);
  SelectItem(c.ComBoxWPF, 0);
  c.ChkBoxNotBLK->setVisible(true);
  c.ChkBoxSRWD->setVisible(false);
  c.LabelWP->setVisible(false);
  c.ComBoxWP8->setVisible(false);
  c.ComBoxWPF->setVisible(false);
  c.CheckBoxWRP->setVisible(false);
  SetTabShown(c.TabChipSet, true);
  SetTabShown(c.TabSheetFlash, false);
  const FlashProtectionControls shown = FlashProtectionFor(js, c.MCUNameEdit->text().toStdString());
  c.LabelWP->setVisible(shown.labelWP);
  c.ComBoxWP8->setVisible(shown.comBoxWP8);
  c.ComBoxWPF->setVisible(shown.comBoxWPF);
  c.ChkBoxSRWD->setVisible(shown.chkBoxSRWD);
  c.CheckBoxQE->setVisible(true);
  c.CheckBoxQE->setChecked(false);
  c.EnBlankChk->setVisible(true);
  c.EnEraseChk->setVisible(true);
  c.GroupBoxCtrl->move(160, 80);
}

void RunOptionPanel(JobState& js, const OptionPanelControls& c) {
  switch (ClassOfFamily(js.ChipFamily)) {
    case ChipClass::SpiFlash: SetupSpiFlashOptions(js, c); break;
    case ChipClass::MicrowireEeprom: SetupMicrowireEepromOptions(js, c); break;
    case ChipClass::SpiEeprom: SetupSpiEepromOptions(js, c); break;
    case ChipClass::I2cEeprom:
    case ChipClass::SpdEeprom: SetupI2cEepromOptions(js, c); break;
  }
}
