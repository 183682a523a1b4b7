#include "protocol/AnswerHandling.h"

#include <algorithm>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/AnswerHandlers.h"
#include "protocol/ChipParamBlock.h"
#include "protocol/CommandCodes.h"
#include "protocol/Firmware.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/PacketBytes.h"
#include "protocol/SlotOperations.h"

namespace {


void DispatchGoodAnswer(JobState& js, uint8_t status, int slot) {
  switch (js.SlotOp[slot]) {
    case kOpReadChip155: HandleReadBlockAnswer(js, status, slot); break;
    case kOpDownload: HandleDownloadStart(js, status, slot); break;
    case kOpDownloadPages: HandleDataPageAnswer(js, status, slot); break;
    case kOpDownloadRaw: HandleRawBlockAnswer(js, status, slot); break;
    case kOpBlankCheck: HandleBlankCheckAnswer(js, status, slot); break;
    case kOpErase: HandleEraseAnswer(js, status, slot); break;
    case kOpProgram149: HandleProgramPageAnswer(js, status, slot); break;
    case kOpProgram150: HandleProgramStreamStart(js, status, slot); break;
    case kOpVerify: HandleVerifyAnswer(js, status, slot); break;
    case kOpReadChip154: HandleReadStreamStart(js, status, slot); break;
    case kOpReadDownloaded: HandleReadDownloadedAnswer(js, status, slot); break;
    case kOpAddressWrite: HandleAddressWriteAnswer(js, status, slot); break;
    case kOpReadId: HandleReadIdAnswer(js, status, slot); break;
    case kOpFirmwareUpgrade: ContinueFirmwareUpgrade(js, status, slot); break;
    default: break;  // idle: a late or unasked answer
  }
}

void HandleErrorStatus(JobState& js, uint8_t status, int slot) {
  if (js.SlotOp[slot] == kOpBlankCheck) {
    HandleBlankCheckAnswer(js, status, slot);  // a not-blank chip answers with a code
    return;
  }
  if (js.SlotOp[slot] != kOpIdle) {
    FailWithCode(js, status, slot);
    return;
  }
  // The paced program stream leaves the slot without an operation, but the
  // unit still reports a failure while it takes the stream.
  if (js.SlotDownloading[slot]) {
    js.SlotDownloading[slot] = 0;
    FailWithCode(js, status, slot);
  }
  // Otherwise an idle slot: dropped.
}

}  // namespace

const uint8_t* AnswerPayload(const JobState& js, int slot) {
  return js.TxPacket[slot].data() + kPacketHeaderSize;
}

size_t AnswerPayloadLength(const JobState& js, int slot) {
  return GetLE16(js.TxPacket[slot].data() + 6);
}

void FailWithCode(JobState& js, uint8_t code, int slot) {
  EndSlotOperation(js, true, slot);
  ShowResultCode(js, code, slot);
}

bool RequirePayload(JobState& js, size_t needed, int slot) {
  const size_t have = AnswerPayloadLength(js, slot);
  if (have >= needed) return true;
  LogSlotMessage(js,
                 msg::FmtV(msg::Tr("Answer too short: %d data bytes, %d expected!"),
                           static_cast<int>(have), static_cast<int>(needed)),
                 slot);
  FailWithCode(js, kPacketDataError, slot);
  return false;
}

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
  // A sound check value over a packet whose header names another payload
  // length: what the handlers would read is not what the unit sent.
  if (status != kPacketCheckError &&
      packetLength != kPacketHeaderSize + 2 + AnswerPayloadLength(js, slot)) {
    status = kPacketDataError;
  }
  if (!IsGoodStatus(status)) {
    HandleErrorStatus(js, status, slot);
    return 0;
  }
  DispatchGoodAnswer(js, status, slot);
  return 0;
}
