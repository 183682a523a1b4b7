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


void DispatchGoodAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload, int slot) {
  switch (js.SlotOp[slot]) {
    case kOpReadChip155: HandleReadBlockAnswer(js, status, payload, slot); break;
    case kOpDownload: HandleDownloadStart(js, status, slot); break;
    case kOpDownloadPages: HandleDataPageAnswer(js, status, slot); break;
    case kOpDownloadRaw: HandleRawBlockAnswer(js, status, payload, slot); break;
    case kOpBlankCheck: HandleBlankCheckAnswer(js, status, slot); break;
    case kOpErase: HandleEraseAnswer(js, status, slot); break;
    case kOpProgram149: HandleProgramPageAnswer(js, status, slot); break;
    case kOpProgram150: HandleProgramStreamStart(js, status, slot); break;
    case kOpVerify: HandleVerifyAnswer(js, status, slot); break;
    case kOpReadChip154: HandleReadStreamStart(js, status, slot); break;
    case kOpReadDownloaded: HandleReadDownloadedAnswer(js, status, payload, slot); break;
    case kOpAddressWrite: HandleAddressWriteAnswer(js, status, slot); break;
    case kOpReadId: HandleReadIdAnswer(js, status, payload, slot); break;
    case kOpFirmwareUpgrade: ContinueFirmwareUpgrade(js, status, slot); break;
    case kOpIdle: break;  // a late or unasked answer
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
    LeaveProgramStream(js, slot);
    FailWithCode(js, status, slot);
  }
  // Otherwise an idle slot: dropped.
}

}  // namespace

void FailWithCode(JobState& js, uint8_t code, int slot) {
  EndSlotOperation(js, true, slot);
  ShowResultCode(js, code, slot);
}

bool RequirePayload(JobState& js, std::span<const uint8_t> payload, size_t needed, int slot) {
  const size_t have = payload.size();
  if (have >= needed) return true;
  LogSlotMessage(js,
                 msg::FmtV(msg::Tr("Answer too short: %d data bytes, %d expected!"),
                           static_cast<int>(have), static_cast<int>(needed)),
                 slot);
  FailWithCode(js, kPacketDataError, slot);
  return false;
}

void HandleSlotAnswer(JobState& js, std::span<const uint8_t> packet, int slot) {
  if (slot < 0 || slot >= kSlotCount || packet.size() < kPacketHeaderSize) return;
  if (packet[0] == kSequenceReport) {
    RunProgrammingSequence(js, packet, slot);
    return;
  }

  uint8_t status = CheckPacket(packet.data(), packet.size());
  // A sound check value over a packet whose header names another payload
  // length: what the handlers would read is not what the unit sent.
  const size_t payloadLength = GetLE16(packet.data() + 6);
  if (status != kPacketCheckError && packet.size() != kPacketHeaderSize + 2 + payloadLength) {
    status = kPacketDataError;
  }
  if (!IsGoodStatus(status)) {
    HandleErrorStatus(js, status, slot);
    return;
  }
  DispatchGoodAnswer(js, status, packet.subspan(kPacketHeaderSize, payloadLength), slot);
}
