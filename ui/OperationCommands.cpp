// The operation commands: each checks its preconditions, collects the
// settings, arms every slot that takes part and sends its first command.
// The per-slot starts live in protocol/OperationStart.
#include <QCheckBox>

#include <filesystem>
#include <string>
#include <system_error>

#include "messages/Messages.h"
#include "protocol/ChipFamilies.h"
#include "protocol/Firmware.h"
#include "protocol/Log.h"
#include "protocol/OperationStart.h"
#include "protocol/SerialNumber.h"
#include "protocol/SlotOperations.h"
#include "ui/MainWindow.h"
#include "ui/RdSetForm.h"
#include "ui/SetAdrForm.h"

namespace {

bool ChipChosen(TQZProgrammer& w) {
  if (w.js.ChipSelected) return true;
  w.ShowMessage(msg::Tr("Please select Chip Type!"));
  return false;
}

bool DataLoaded(TQZProgrammer& w) {
  if (w.js.DataLoaded) return true;
  w.ShowMessage(msg::Tr("Please Load Data File!"));
  return false;
}

bool SlotOneReady(TQZProgrammer& w) {
  if (SlotReady(w.js, 0)) return true;
  w.ShowMessage(msg::Tr("Please connect device!"));
  return false;
}

// Shows a refusal in a box; true when there was one.
bool Refused(TQZProgrammer& w, const std::string& refusal) {
  if (refusal.empty()) return false;
  w.ShowMessage(refusal);
  return true;
}

// A command that writes the data buffer waits while any slot runs.
bool BufferFreeToWrite(TQZProgrammer& w) { return !Refused(w, ImageAndChipChangeRefusal(w.js)); }

// A command that sends the data buffer waits while a read fills it.
bool BufferFreeToSend(TQZProgrammer& w) { return !Refused(w, DataBufferSendRefusal(w.js)); }

// The online serial number goes out with the image, or the command does not start.
bool OnlineSNInRange(TQZProgrammer& w) { return !Refused(w, OnlineSNRangeRefusal(w.js)); }

void RunOnReadySlots(TQZProgrammer& w, SlotCommand command) {
  const bool needsData = command == SlotCommand::Download || command == SlotCommand::Auto ||
                         command == SlotCommand::Program || command == SlotCommand::Verify;
  const bool sendsBuffer = command == SlotCommand::Download || command == SlotCommand::Auto ||
                           command == SlotCommand::Program;
  const bool insertSN = (command == SlotCommand::Auto || command == SlotCommand::Program) &&
                        w.ChkBoxPCSN->isChecked();
  if (!ChipChosen(w)) return;
  if (needsData && !DataLoaded(w)) return;
  if (sendsBuffer && !BufferFreeToSend(w)) return;
  if (insertSN && !BufferFreeToWrite(w)) return;
  if (!w.CollectControlSettings()) return;
  if (insertSN && !OnlineSNInRange(w)) return;
  if (insertSN) w.InsertSNIntoBuffer();
  if (command == SlotCommand::Auto) AddRawLine(w.js, ">" + std::string(63, '-'));
  StartOnReadySlots(w.js, command, w.EnEraseChk->isChecked());
}

}  // namespace

void TQZProgrammer::SpdBtnDownLoadClick() { RunOnReadySlots(*this, SlotCommand::Download); }
void TQZProgrammer::SpdBtnAutoPClick() { RunOnReadySlots(*this, SlotCommand::Auto); }
void TQZProgrammer::BlankCheck1Click() { RunOnReadySlots(*this, SlotCommand::BlankCheck); }
void TQZProgrammer::SpdBtnEraseClick() { RunOnReadySlots(*this, SlotCommand::Erase); }
void TQZProgrammer::SpdBtnProgClick() { RunOnReadySlots(*this, SlotCommand::Program); }
void TQZProgrammer::SpdBtnVerifyClick() { RunOnReadySlots(*this, SlotCommand::Verify); }

void TQZProgrammer::SpeedButtonRDClick() {
  if (!ChipChosen(*this) || !SlotOneReady(*this) || !BufferFreeToWrite(*this)) return;
  uint32_t totalKB;
  if (IsPlainFlash(js.ChipFamily)) {
    // The read goes ahead however the dialog is closed, with the length then set.
    RdSetForm().exec();
    totalKB = KilobytesRoundedUp(js.ReadLength);
    // The dialog let other events run: the slot or the buffer may be taken now.
    if (!SlotOneReady(*this) || !BufferFreeToWrite(*this)) return;
  } else {
    totalKB = WholeChipReadKB(js);
  }
  if (!CollectControlSettings()) return;
  StartChipRead(js, totalKB);
}

void TQZProgrammer::ReadChipIDandStatus1Click() {
  if (!ChipChosen(*this) || !SlotOneReady(*this)) return;
  if (!CollectControlSettings()) return;
  StartReadId(js, false);
}

void TQZProgrammer::BtnRdDIDClick() {
  if (!ChipChosen(*this) || !SlotOneReady(*this)) return;
  if (!CollectControlSettings()) return;
  StartReadId(js, true);
}

void TQZProgrammer::ReadIntMemClick() {
  if (!ChipChosen(*this) || !SlotOneReady(*this) || !BufferFreeToWrite(*this)) return;
  StartReadDownloaded(js);
}

void TQZProgrammer::AddressWrite1Click() {
  if (!ChipChosen(*this)) return;
  // A busy slot 1 counts as absent too: its running operation would be replaced.
  auto slotOneReady = [this] {
    if (SlotReady(js, 0)) return true;
    AddInfoLine(msg::Tr("Please connect device!!"));
    return false;
  };
  if (!slotOneReady()) return;
  if (!SetAdrForm().Execute()) return;
  if (!slotOneReady()) return;
  if (!CollectControlSettings()) return;
  StartAddressWrite(js);
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
