#include "ui/SetAdrForm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/JobState.h"

TSetAdrForm::TSetAdrForm(JobState& state, QWidget* parent) : QDialog(parent), js(state) {
  setObjectName("SetAdrForm");
  setWindowTitle("SetAdrForm");
  resize(400, 130);
  MessageBoxHook = [this](const std::string& text) { ShowInfoBox(this, text); };

  Label1 = new QLabel("Start Address :  ", this);
  Label1->setGeometry(16, 18, 110, 20);
  EditAdr = new QLineEdit("0x0000", this);
  EditAdr->setObjectName("EditAdr");
  EditAdr->setGeometry(130, 16, 250, 24);
  Label2 = new QLabel("Data to Write: ", this);
  Label2->setGeometry(16, 52, 110, 20);
  EditData = new QLineEdit(this);
  EditData->setObjectName("EditData");
  EditData->setGeometry(130, 50, 250, 24);
  BitBtn1 = new QPushButton("OK", this);
  BitBtn1->setObjectName("BitBtn1");
  BitBtn1->setGeometry(290, 90, 90, 28);
  BitBtn1->setDefault(true);

  connect(BitBtn1, &QPushButton::clicked, this, [this] {
    accepted_ = BitBtn1Click();
    accept();
  });
}

bool TSetAdrForm::BitBtn1Click() {
  if (EditData->text().isEmpty()) {
    js.AddrWriteLen = 0;
    return true;
  }
  int32_t address = 0;
  if (!EditAdr->text().isEmpty()) {
    auto value = TypedInteger(EditAdr->text(), MessageBoxHook);
    if (!value) return false;
    address = *value;
  }
  if (address < 0 || address > 0xFFFF) {
    MessageBoxHook(msg::FmtV(msg::Tr("Address 0x%x is outside 0x0000 to 0xFFFF!"), static_cast<uint32_t>(address)));
    return false;
  }
  auto bytes = TypedLegacyText(EditData->text(), MessageBoxHook);
  if (!bytes) return false;
  if (bytes->size() > kAddrWriteMaxLen) {
    MessageBoxHook(msg::FmtV(msg::Tr("At most %d bytes can be written at once!"), static_cast<int>(kAddrWriteMaxLen)));
    return false;
  }
  js.AddrWriteAddr = static_cast<uint16_t>(address);
  js.AddrWriteLen = static_cast<uint16_t>(bytes->size());
  js.AddrWriteData.assign(bytes->begin(), bytes->end());
  return true;
}

bool TSetAdrForm::Execute() {
  accepted_ = false;
  exec();
  return accepted_ && js.AddrWriteLen != 0;
}
