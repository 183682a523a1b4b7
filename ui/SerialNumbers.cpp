// Serial numbers: the enabling of their controls, the count limit box, and
// the online number written into the image and advanced after a good chip.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <initializer_list>

#include "messages/Format.h"
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

void TQZProgrammer::InsertSNIntoBuffer() { InsertOnlineSerialNumber(js); }

void TQZProgrammer::ShowImageBytes(uint32_t first, uint32_t count) {
  auto* grid = static_cast<THexGridModel*>(HexViewer->model());
  for (uint64_t at = first; at < uint64_t{first} + count && at < kDataBufferSize; ++at) {
    const QModelIndex cell = grid->IndexOfAddress(static_cast<uint32_t>(at));
    if (cell.isValid()) grid->setData(cell, QString::fromStdString(msg::Fmt("%0.2x", js.DataBuffer[at])));
  }
  grid->Refresh();  // the characters column
}

void TQZProgrammer::ShowSerialNumber(uint32_t value) {
  SNEdit->setText(QString::fromStdString(msg::Fmt("0x%0.8x", value)));
}

void TQZProgrammer::KeepOnlineSNInStep() {
  js.OnlineSN = CheckBoxSN->isChecked() && ChkBoxPCSN->isChecked() ? 1 : 0;
}
