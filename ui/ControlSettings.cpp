// The settings pages: protection, checksum display and the small handlers
// that keep single fields in step with their controls, and the collection of
// every setting into the job state before a command.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSpinBox>

#include "catalogue/ChipCatalogue.h"
#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/DataRange.h"
#include "ui/MainWindow.h"
#include "protocol/SettingsCollection.h"

ControlStates TQZProgrammer::ReadControlStates() const {
  const TQZProgrammer& w = *this;
  ControlStates c;
  c.QuadEnableInStatus = TakesQuadEnableInStatus(w.MCUNameEdit->text().toStdString());
  c.ChkBoxLSP = w.ChkBoxLSP->isChecked();
  c.ChkBoxSRWD = w.ChkBoxSRWD->isChecked();
  c.CheckBoxQE = w.CheckBoxQE->isChecked();
  c.CheckBoxWRP = w.CheckBoxWRP->isChecked();
  c.EnBlankChk = w.EnBlankChk->isChecked();
  c.EnEraseChk = w.EnEraseChk->isChecked();
  c.EnProgChk = w.EnProgChk->isChecked();
  c.EnVerifyChk = w.EnVerifyChk->isChecked();
  c.ChkBoxNotBLK = w.ChkBoxNotBLK->isChecked();
  c.RadioGroupA61 = w.RadioGroupA61->ItemIndex();
  c.EditDevAdrX = w.EditDevAdrX->text().toStdString();
  c.SpinEditIn = w.SpinEditIn->value();
  c.SpinEditOut = w.SpinEditOut->value();
  c.SpinEditPTM = w.SpinEditPTM->value();
  c.CheckBoxAut = w.CheckBoxAut->isChecked();
  c.RadioGpVolt = w.RadioGpVolt->ItemIndex();
  c.RadioGroupSpd = w.RadioGroupSpd->ItemIndex();
  c.CheckBoxSN = w.CheckBoxSN->isChecked();
  c.SNOrderChk = w.SNOrderChk->isChecked();
  c.ChkBoxPCSN = w.ChkBoxPCSN->isChecked();
  c.SNEdit = w.SNEdit->text().toStdString();
  c.GainEdit = w.GainEdit->text().toStdString();
  c.AddrEdit = w.AddrEdit->text().toStdString();
  c.ChkBoxNumb = w.ChkBoxNumb->isChecked();
  c.SpinEditNumb = w.SpinEditNumb->value();
  c.RadioGroupX = w.RadioGroupX->ItemIndex();
  c.RadioGrpSumDP = w.RadioGrpSumDP->ItemIndex();
  c.ChkBoxCPES = w.ChkBoxCPES->isChecked();
  return c;
}

bool TQZProgrammer::CollectControlSettings() { return ::CollectControlSettings(js, ReadControlStates()); }

namespace {

// ProtectByte from a protection list: SRWD in bit 7, the level in bits 2..5.
uint8_t ProtectByteOf(bool srwd, int level) {
  return static_cast<uint8_t>((srwd ? 0x80 : 0) + (level < 0 ? 0 : level) * 4);
}

// One blank after the colon here; the log line of a command has two.
void ShowProtectByte(QLabel* label, uint8_t protectByte) {
  label->setText(QString::fromStdString(msg::FmtV(msg::Tr("Protected Setting: 0x%0.2x."), protectByte)));
}

}  // namespace

void TQZProgrammer::ComBoxWP8Change() {
  js.ProtectByte = ProtectByteOf(ChkBoxSRWD->isChecked(), ComBoxWP8->currentIndex());
  ShowProtectByte(LabelWP, js.ProtectByte);
}

void TQZProgrammer::ComBoxWPFChange() {
  js.ProtectByte = ProtectByteOf(ChkBoxSRWD->isChecked(), ComBoxWPF->currentIndex());
  ShowProtectByte(LabelWP, js.ProtectByte);
}

void TQZProgrammer::ChkBoxSRWDClick() {
  if (ChkBoxSRWD->isChecked())
    js.ProtectByte |= 0x80;
  else
    js.ProtectByte &= 0x7F;
  ShowProtectByte(LabelWP, js.ProtectByte);
}

void TQZProgrammer::CheckBoxAutClick() {
  const bool on = CheckBoxAut->isChecked();
  SpinEditIn->setEnabled(on);
  SpinEditOut->setEnabled(on);
}

// The chip/file choice is read from the group when a command collects it.
void TQZProgrammer::RadioGrpSumDPClick() {}

void TQZProgrammer::RadioGroupXClick() {
  js.ChecksumKind = static_cast<uint8_t>(RadioGroupX->ItemIndex() == 0 ? 0 : 1);
  if (js.ChipSelected && js.DataLoaded) ShowChecksumPanels(js);
}

void TQZProgrammer::ComboBoxCOMChange() { js.SelectedPort = ComboBoxCOM->currentText().toStdString(); }

void TQZProgrammer::ClearInformation1Click() { InfoMemo->clear(); }

void TQZProgrammer::Button1Click() { ShowReadChipResult(js); }
