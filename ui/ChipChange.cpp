// The chip change: a new name shown in MCUNameEdit resets the job for that
// chip, shows the controls of its family and runs the family's option panel;
// and the interface voltage choice.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QToolButton>
#include <initializer_list>

#include "messages/Format.h"
#include "protocol/ChipFamilies.h"
#include "protocol/Log.h"
#include "protocol/OperationStart.h"
#include "protocol/SettingsCollection.h"
#include "protocol/SlotLife.h"
#include "ui/AboutForm.h"
#include "ui/ChipOptionPanels.h"
#include "ui/ConfigSNForm.h"
#include "ui/MainWindow.h"

void TQZProgrammer::ShowChipName(const QString& name) {
  const QString before = MCUNameEdit->text();
  MCUNameEdit->setText(name);
  if (MCUNameEdit->text() != before) MCUNameEditChange();
}

void TQZProgrammer::MCUNameEditChange() {
  const uint8_t family = js.ChipFamily;
  ReadChipIDandStatus1->setVisible(IsFlash(family));

  js.SelChipName = MCUNameEdit->text().toStdString();
  AddInfoLine(msg::Fmt("Chip \"%s\" is selectd.", js.SelChipName.c_str()));
  if (!IsSpd(family)) {
    if (js.ChipSize < 0x400000)
      AddInfoLine(msg::Fmt("Chip Main Flash is %dB/%dKB.", static_cast<int>(js.ChipSize),
                           static_cast<int>(js.ChipSize >> 10)));
    else
      AddInfoLine(msg::Fmt("Chip Main Flash is %dKB/%dMB.", static_cast<int>(js.ChipSize >> 10),
                           static_cast<int>(js.ChipSize >> 20)));
  }

  // A chip change always asks for the data again.
  LeaveReadStream(js);
  js.LargeImage = 0;
  js.ChipSelected = 1;
  js.DataLoaded = 0;

  SetVoltageChoice(0);

  ChkBoxNotBLK->hide();
  SpdBtnErase->show();
  SpdBtnBlkChk->show();
  SetTabShown(TabSheetFlash, true);
  ChkBoxLSP->setChecked(false);

  const bool flash = IsFlash(family);
  for (QWidget* w : std::initializer_list<QWidget*>{ChkBoxLSP, LabelRD, EditRD, ChkBoxCPES, GroupBoxCtrl})
    w->setVisible(flash);
  EditDevAdrX->setVisible(IsI2cEeprom(family));
  LabelDevAdr->setVisible(IsI2cEeprom(family));
  AddressWrite1->setVisible(IsI2cEeprom(family));
  RadioGroupSpd->setVisible(IsEeprom(family));
  BitBtnFixSN->setEnabled(!IsSpd(family));

  PageControl1->setCurrentIndex(0);

  const uint32_t blocks = js.ChipSize < 1024 ? 1 : js.ChipSize >> 10;
  js.DataSizeKB = js.ChipSize < 1024 ? 0 : js.ChipSize >> 10;
  js.SlotBlockTotal.fill(blocks);

  RunOptionPanel(js, OptionPanelControls::Of(*this));

  lbFlashSize->setText(js.DataSizeKB == 0
                           ? QString::fromStdString(msg::Fmt("%d Byte", static_cast<int>(js.ChipSize)))
                           : QString::fromStdString(msg::Fmt("%d KByte", static_cast<int>(js.DataSizeKB))));
  AddRawLine(js, "..............................................");

  // The range of a chip of no size (the placeholder name before the chip
  // defaults are set) stays empty rather than wrapping to the top address.
  js.DataStart = 0;
  js.DataEnd = js.ChipSize == 0 ? 0 : js.ChipSize - 1;
  js.ChipEndAddr = static_cast<int32_t>(js.DataEnd);

  if (js.Vcc18V) SetVoltageChoice(2);
}

void TQZProgrammer::SetVoltageChoice(int index) {
  const int before = RadioGpVolt->ItemIndex();
  {
    const QSignalBlocker quiet(RadioGpVolt);
    RadioGpVolt->SetItemIndex(index);
  }
  if (RadioGpVolt->ItemIndex() != before) RadioGpVoltClick();
}

void TQZProgrammer::RadioGpVoltClick() {
  // The interface voltage goes into every packet at once, also the next one
  // of a running unit: the choice goes back to the one in force.
  if (RefuseImageOrChipChange(js)) {
    const QSignalBlocker quiet(RadioGpVolt);
    RadioGpVolt->SetItemIndex(voltIndex_);
    return;
  }
  voltIndex_ = RadioGpVolt->ItemIndex();
  switch (voltIndex_) {
    case 0:
      js.CtrlFlags &= static_cast<uint8_t>(~kCtrlVoltageMask);
      AddInfoLine("3.3V Interface is selected!");
      break;
    case 1:
      js.CtrlFlags |= VoltageBitsOf(voltIndex_);
      AddInfoLine("5.0V Interface is selected!");
      break;
    case 2:
      js.CtrlFlags |= VoltageBitsOf(voltIndex_);
      AddInfoLine("1.8V Interface is selected!");
      break;
    default:
      break;
  }
}

void TQZProgrammer::About1Click() { AboutForm().exec(); }

void TQZProgrammer::BitBtnFixSNClick() {
  if (RefuseImageOrChipChange(js)) return;
  ConfigSNForm().exec();
}
