#include "protocol/CommandStart.h"

#include <string>

#include "messages/Messages.h"
#include "protocol/ChipFamilies.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/SerialNumber.h"
#include "protocol/SettingsCollection.h"
#include "protocol/SlotOperations.h"

namespace {

void Box(JobState& js, const std::string& text) {
  if (js.LogMemo) js.LogMemo->ShowMessage(text);
}

bool ChipChosen(JobState& js) {
  if (js.ChipSelected) return true;
  Box(js, msg::Tr("Please select Chip Type!"));
  return false;
}

bool DataLoaded(JobState& js) {
  if (js.DataLoaded) return true;
  Box(js, msg::Tr("Please Load Data File!"));
  return false;
}

bool SlotOneReady(JobState& js) {
  if (SlotReady(js, 0)) return true;
  Box(js, msg::Tr("Please connect device!"));
  return false;
}

// Shows a refusal in a box; true when there was one.
bool Refused(JobState& js, const std::string& refusal) {
  if (refusal.empty()) return false;
  Box(js, refusal);
  return true;
}

// A command that writes the data buffer waits while a unit still needs it.
bool BufferFreeToWrite(JobState& js) { return !Refused(js, ImageAndChipChangeRefusal(js)); }

// A command that sends the data buffer waits while a read fills it.
bool BufferFreeToSend(JobState& js) { return !Refused(js, DataBufferSendRefusal(js)); }

// The online serial number goes out with the image, or the command does not start.
bool OnlineSNInRange(JobState& js) { return !Refused(js, OnlineSNRangeRefusal(js)); }

}  // namespace

int RunSlotCommand(JobState& js, SlotCommand command, const ControlStates& controls) {
  const bool needsData = CommandNeedsData(command);
  const bool sendsBuffer = CommandSendsBuffer(command);
  const bool insertSN = (command == SlotCommand::Auto || command == SlotCommand::Program) && controls.ChkBoxPCSN;
  if (!ChipChosen(js)) return 0;
  if (needsData && !DataLoaded(js)) return 0;
  if (sendsBuffer && !BufferFreeToSend(js)) return 0;
  if (insertSN && !BufferFreeToWrite(js)) return 0;
  if (!CollectControlSettings(js, controls)) return 0;
  if (insertSN && !OnlineSNInRange(js)) return 0;
  // Serial numbers off leave nothing to insert or hand out.
  const bool onlineSerial = insertSN && js.SNEnabled;
  if (insertSN) InsertOnlineSerialNumber(js);
  if (command == SlotCommand::Auto) AddRawLine(js, ">" + std::string(63, '-'));
  return StartOnReadySlots(js, command, controls.EnEraseChk, onlineSerial);
}

bool RunChipRead(JobState& js, const ControlStates& controls, const std::function<void()>& askReadLength) {
  if (!ChipChosen(js) || !SlotOneReady(js) || !BufferFreeToWrite(js)) return false;
  uint32_t totalKB;
  if (IsPlainFlash(js.ChipFamily)) {
    if (askReadLength) askReadLength();
    totalKB = KilobytesRoundedUp(js.ReadLength);
    // The dialog let other events run: the slot or the buffer may be taken now.
    if (!SlotOneReady(js) || !BufferFreeToWrite(js)) return false;
  } else {
    totalKB = WholeChipReadKB(js);
  }
  if (!CollectControlSettings(js, controls)) return false;
  StartChipRead(js, totalKB);
  return true;
}

bool RunReadId(JobState& js, const ControlStates& controls, bool did) {
  if (!ChipChosen(js) || !SlotOneReady(js)) return false;
  if (!CollectControlSettings(js, controls)) return false;
  StartReadId(js, did);
  return true;
}

bool RunReadDownloaded(JobState& js) {
  if (!ChipChosen(js) || !SlotOneReady(js) || !BufferFreeToWrite(js)) return false;
  StartReadDownloaded(js);
  return true;
}

bool RunAddressWrite(JobState& js, const ControlStates& controls, const std::function<bool()>& askData) {
  if (!ChipChosen(js)) return false;
  // A busy slot 1 counts as absent too: its running operation would be replaced.
  auto slotOneReady = [&js] {
    if (SlotReady(js, 0)) return true;
    AddInfoLine(js, msg::Tr("Please connect device!!"));
    return false;
  };
  if (!slotOneReady()) return false;
  if (!askData || !askData()) return false;
  if (!slotOneReady()) return false;
  if (!CollectControlSettings(js, controls)) return false;
  return StartAddressWrite(js);
}
