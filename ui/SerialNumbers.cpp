// Serial numbers: the enabling of their controls, the count limit box, and
// the online number written into the image and advanced after a good chip.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <initializer_list>

#include "messages/Format.h"
#include "protocol/DataRange.h"
#include "protocol/SerialNumber.h"
#include "ui/HexGridModel.h"
#include "ui/MainWindow.h"

void TQZProgrammer::CheckBoxSNClick() {
  KeepOnlineSNInStep();
  // Disabling a box leaves it checked.
  const bool on = CheckBoxSN->isChecked();
  for (QWidget* w : std::initializer_list<QWidget*>{SNEdit, GainEdit, AddrEdit, ChkBoxPCSN, SNOrderChk,
                                                    ChkBoxStrSN, BitBtnFixSN})
    w->setEnabled(on);
}

// The string form is only kept in project files.
void TQZProgrammer::ChkBoxStrSNClick() {}

void TQZProgrammer::SpinEditNumbChange() { ChkBoxNumb->setChecked(SpinEditNumb->value() > 0); }

void TQZProgrammer::InsertSNIntoBuffer() {
  if (!WriteSerialNumber(js, SNOrderChk->isChecked())) return;

  auto* grid = static_cast<THexGridModel*>(HexViewer->model());
  const auto address = static_cast<uint32_t>(js.SNAddress);
  for (uint32_t at = address; at < address + 4; ++at) {
    const QModelIndex cell = grid->IndexOfAddress(at);
    if (cell.isValid()) grid->setData(cell, QString::fromStdString(msg::Fmt("%0.2x", js.DataBuffer[at])));
  }
  grid->Refresh();  // the characters column

  if (js.DataEnd >= js.DataStart)
    UpdateChecksums(js, 0, js.DataEnd - js.DataStart);
  else
    UpdateChecksums(js, 1, 0);
}

void TQZProgrammer::ShowSerialNumber(uint32_t value) {
  SNEdit->setText(QString::fromStdString(msg::Fmt("0x%0.8x", value)));
}

void TQZProgrammer::KeepOnlineSNInStep() {
  js.OnlineSN = CheckBoxSN->isChecked() && ChkBoxPCSN->isChecked() ? 1 : 0;
}
