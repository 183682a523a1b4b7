#include "ui/RdSetForm.h"

#include <QPushButton>
#include <QRadioButton>

#include "messages/Messages.h"
#include "protocol/JobState.h"

TRdSetForm::TRdSetForm(JobState& state, QWidget* parent) : QDialog(parent), js(state) {
  setObjectName("RdSetForm");
  setWindowTitle("Read Chip Setting Dialog");
  setFixedSize(360, 130);
  RadioBtnRCP = new QRadioButton(this);
  RadioBtnRCP->setObjectName("RadioBtnRCP");
  RadioBtnRCP->setGeometry(20, 16, 320, 22);
  RadioBtnRFIL = new QRadioButton(this);
  RadioBtnRFIL->setObjectName("RadioBtnRFIL");
  RadioBtnRFIL->setGeometry(20, 46, 320, 22);
  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setGeometry(250, 88, 90, 28);
  BitBtn1->setDefault(true);
  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    BitBtn1Click();
    accept();
  });
}

void TRdSetForm::FormShow() {
  bool loaded = js.DataLoaded != 0;
  // Radio buttons of one parent exclude each other; both unchecked needs
  // the exclusion off for a moment.
  RadioBtnRCP->setAutoExclusive(false);
  RadioBtnRFIL->setAutoExclusive(false);
  RadioBtnRCP->setChecked(!loaded);
  RadioBtnRFIL->setChecked(loaded);
  RadioBtnRFIL->setEnabled(loaded);
  RadioBtnRCP->setAutoExclusive(true);
  RadioBtnRFIL->setAutoExclusive(true);
  RadioBtnRCP->setText(QString::fromStdString(msg::Tr("Read data using chip flash Size")));
  RadioBtnRFIL->setText(QString::fromStdString(msg::Tr("Read data using loaded file size")));
}

void TRdSetForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TRdSetForm::BitBtn1Click() { js.ReadLength = RadioBtnRFIL->isChecked() ? js.ChipSize : js.ChipSizeCopy; }
