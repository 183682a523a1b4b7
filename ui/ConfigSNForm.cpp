#include "ui/ConfigSNForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstring>

#include "messages/Messages.h"
#include "protocol/DataRange.h"
#include "protocol/JobState.h"
#include "protocol/OperationStart.h"
#include "protocol/SerialNumber.h"

TConfigSNForm::TConfigSNForm(JobState& state, QWidget* parent) : QDialog(parent), js(state) {
  setObjectName("ConfigSNForm");
  setWindowTitle("Config S/N Constant");
  setFixedSize(420, 150);
  MessageBoxHook = [this](const std::string& text) { ShowInfoBox(this, text); };

  Label1 = new QLabel(QString::fromUtf8("数据存储首地址：   "), this);
  Label1->setGeometry(16, 20, 130, 20);
  AddrEditSN = new QLineEdit("0x00000000", this);
  AddrEditSN->setObjectName("AddrEditSN");
  AddrEditSN->setMaxLength(10);
  AddrEditSN->setGeometry(150, 18, 250, 24);
  Label2 = new QLabel(QString::fromUtf8("数据内容：   "), this);
  Label2->setGeometry(16, 56, 130, 20);
  EditDataSN = new QLineEdit(this);
  EditDataSN->setObjectName("EditDataSN");
  EditDataSN->setMaxLength(255);
  EditDataSN->setGeometry(150, 54, 250, 24);
  BitBtnCancel = new QPushButton("Cancel", this);
  BitBtnCancel->setObjectName("BitBtnCancel");
  BitBtnCancel->setGeometry(200, 104, 90, 28);
  BitBtnOK = new QPushButton("OK", this);
  BitBtnOK->setObjectName("BitBtnOK");
  BitBtnOK->setGeometry(310, 104, 90, 28);
  BitBtnOK->setDefault(true);

  connect(BitBtnCancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(BitBtnOK, &QPushButton::clicked, this, [this] { BitBtnOKClick(); });
}

void TConfigSNForm::BitBtnOKClick() {
  // The OK-kind button closes the dialog whatever happens here.
  if (EditDataSN->text().isEmpty()) {
    MessageBoxHook(msg::Tr("Please input valid SN data!!"));
    EditDataSN->setFocus();
  } else {
    WriteFixedSNData();
  }
  accept();
}

bool TConfigSNForm::WriteFixedSNData() {
  // The dialog let other events run: a unit may have started meanwhile.
  if (const std::string refusal = ImageAndChipChangeRefusal(js); !refusal.empty()) {
    MessageBoxHook(refusal);
    return false;
  }
  auto address = TypedInteger(AddrEditSN->text(), MessageBoxHook);
  if (!address) return false;
  auto bytes = TypedLegacyText(EditDataSN->text(), MessageBoxHook);
  if (!bytes) return false;
  // Negative addresses count as very large: nothing beyond the chip.
  const uint32_t at = static_cast<uint32_t>(*address);
  if (const std::string refusal = FixedSNRangeRefusal(js, at, bytes->size()); !refusal.empty()) {
    MessageBoxHook(refusal);
    return false;
  }
  std::memcpy(js.DataBuffer.get() + at, bytes->data(), bytes->size());
  TakeImageRange(js);
  return true;
}
