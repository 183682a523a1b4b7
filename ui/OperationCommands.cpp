// The operation commands: each hands the states of the controls to the
// engine, which checks the preconditions, collects the settings and starts
// the slots (protocol/CommandStart).
#include <filesystem>
#include <string>
#include <system_error>

#include "messages/Messages.h"
#include "protocol/CommandStart.h"
#include "protocol/Firmware.h"
#include "ui/MainWindow.h"
#include "ui/RdSetForm.h"
#include "ui/SetAdrForm.h"

void TQZProgrammer::SpdBtnDownLoadClick() { RunSlotCommand(js, SlotCommand::Download, ReadControlStates()); }
void TQZProgrammer::SpdBtnAutoPClick() { RunSlotCommand(js, SlotCommand::Auto, ReadControlStates()); }
void TQZProgrammer::BlankCheck1Click() { RunSlotCommand(js, SlotCommand::BlankCheck, ReadControlStates()); }
void TQZProgrammer::SpdBtnEraseClick() { RunSlotCommand(js, SlotCommand::Erase, ReadControlStates()); }
void TQZProgrammer::SpdBtnProgClick() { RunSlotCommand(js, SlotCommand::Program, ReadControlStates()); }
void TQZProgrammer::SpdBtnVerifyClick() { RunSlotCommand(js, SlotCommand::Verify, ReadControlStates()); }

void TQZProgrammer::SpeedButtonRDClick() {
  RunChipRead(js, ReadControlStates(), [this] { RdSetForm().exec(); });
}

void TQZProgrammer::ReadChipIDandStatus1Click() { RunReadId(js, ReadControlStates(), false); }
void TQZProgrammer::BtnRdDIDClick() { RunReadId(js, ReadControlStates(), true); }
void TQZProgrammer::ReadIntMemClick() { RunReadDownloaded(js); }

void TQZProgrammer::AddressWrite1Click() {
  RunAddressWrite(js, ReadControlStates(), [this] { return SetAdrForm().Execute(); });
}

void TQZProgrammer::DoOffLineMonitor1Click() { SendOffLineMonitorToAll(js); }

void TQZProgrammer::DoFirmwareUpgrade1Click() {
  std::error_code ec;
  if (!std::filesystem::exists(std::filesystem::path(js.AppDir) / kFirmwareFileName, ec)) {
    js.FirmwareLoaded = 0;
    ShowMessage(msg::Tr("File \"VOzOZEdud.ZQM\" not found, please confirm!"));
    return;
  }
  if (!js.FirmwareLoaded || js.DeviceCount == 0) {
    ShowMessage(msg::Tr("No Device is Connected!"));
    return;
  }
  UpgradeReadySlots(js);
}
