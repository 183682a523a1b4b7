#include "protocol/AnswerHandling.h"

#include <algorithm>

#include "protocol/Firmware.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"
#include "protocol/SlotOperations.h"

namespace {

constexpr uint8_t kSequenceReport = 0xFD;

bool IsGoodStatus(uint8_t status) { return status == 0 || status == 6; }

// The handler of the slot's operation for a good answer. Operations whose
// commands this program does not start yet have no handler: their answers
// are dropped like those of an idle slot.
void DispatchGoodAnswer(JobState& js, uint8_t status, int slot) {
  switch (js.SlotOp[slot]) {
    case kOpFirmwareUpgrade:
      ContinueFirmwareUpgrade(js, status, slot);
      break;
    default:
      break;
  }
}

}  // namespace

uint8_t HandleSlotFrame(JobState& js, size_t& frameLength, int slot) {
  if (slot < 0 || slot >= kSlotCount) return kFrameMalformed;
  auto& packet = js.TxPacket[slot];
  size_t packetLength = 0;
  // The frame never runs past the slot's frame area, whatever the caller says.
  frameLength = std::min(frameLength, js.SlotFrame[slot].size());
  uint8_t result = DecodeFrame(js.SlotFrame[slot].data(), packet.data(), packet.size(),
                               packetLength, frameLength);
  if (result != kFrameOk) return result;

  if (packet[0] == kSequenceReport) {
    RunProgrammingSequence(js, slot);
    return 0;
  }

  uint8_t status = CheckPacket(packet.data(), packetLength);
  if (!IsGoodStatus(status)) {
    if (js.SlotOp[slot] == kOpBlankCheck) {
      // A not-blank chip answers with an error code; the blank check's own
      // handler judges it once that operation is started by this program.
      return 0;
    }
    if (js.SlotOp[slot] != kOpIdle) {
      EndSlotOperation(js, true, slot);
      ShowResultCode(js, status, slot);
    }
    return 0;
  }
  DispatchGoodAnswer(js, status, slot);
  return 0;
}
