#include "protocol/CommandCodes.h"
#include "protocol/Senders.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/Checks.h"
#include "protocol/ChipParamBlock.h"
#include "protocol/Frames.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/PacketBytes.h"
#include "protocol/SealedSettings.h"
#include "protocol/SlotOperations.h"

namespace {

constexpr uint8_t kFlagNone = 0x00;
constexpr uint8_t kFlagChip = 0x20;
constexpr size_t kPageBytes = 4096;

void RefuseSend(JobState& js, const std::string& text, int slot);

// Hands the bytes to the slot's port (nothing is sent when the slot has no
// port). Bytes the port does not take end the slot's operation with the
// reason, as a packet that cannot be built does; the result is false then.
bool SendToPort(JobState& js, const uint8_t* data, size_t length, int slot) {
  ISlotPort* port = js.CommSlots[slot];
  if (port == nullptr || port->SendBytes(data, length)) return true;
  RefuseSend(js,
             port->IsOpen() ? msg::FmtV(msg::Tr("%d bytes could not be queued for sending!"),
                                        static_cast<int>(length))
                            : msg::Tr("Connection to the unit lost!"),
             slot);
  return false;
}

// A packet that cannot be built ends the slot's operation at once, so the
// operator reads why rather than a time-out seconds later.
void RefuseSend(JobState& js, const std::string& text, int slot) {
  LogSlotMessage(js, text, slot);
  EndSlotOperation(js, true, slot);
}

// The data buffer from `offset` for `length` bytes, or null when that range
// leaves the buffer.
const uint8_t* DataAt(JobState& js, uint64_t offset, size_t length) {
  if (offset + length > kDataBufferSize) return nullptr;
  return js.DataBuffer.get() + offset;
}

// As DataAt, but a range outside the buffer ends the slot's operation.
const uint8_t* DataToSend(JobState& js, uint64_t offset, size_t length, int slot) {
  const uint8_t* data = DataAt(js, offset, length);
  if (data == nullptr) RefuseSend(js, msg::Tr("Data to send lies beyond the data buffer!"), slot);
  return data;
}

// Copies one raw block into the slot's block area, with the slot's own
// serial number, and returns its byte sum.
uint32_t CopyRawBlock(JobState& js, uint64_t offset, int slot) {
  auto& block = js.SlotRawBlock[slot];
  const uint8_t* src = DataAt(js, offset, block.size());
  if (src == nullptr) {
    // Behind the end of the data buffer there is nothing to send but erased bytes.
    size_t have = offset < kDataBufferSize ? kDataBufferSize - offset : 0;
    std::memcpy(block.data(), js.DataBuffer.get() + kDataBufferSize - have, have);
    std::memset(block.data() + have, 0xFF, block.size() - have);
  } else {
    std::memcpy(block.data(), src, block.size());
  }
  OverlaySerialNumber(js.SlotSettings[slot], offset, block.data(), block.size());
  return ByteSum32(block.data(), 0, static_cast<uint32_t>(block.size() - 1));
}

}  // namespace

void PutPacketHeader(JobState& js, uint8_t command, uint16_t argument, uint8_t flag,
                     uint16_t payloadLength, int slot) {
  uint8_t* p = js.TxPacket[slot].data();
  p[0] = command;
  PutLE16(p + 1, argument);
  p[3] = flag;
  p[4] = js.SlotSettings[slot].ChipFamily;
  p[5] = js.SlotSettings[slot].ChipSubType;
  PutLE16(p + 6, payloadLength);
}

void SendSlotPacket(JobState& js, size_t payloadLength, int slot) {
  uint8_t* p = js.TxPacket[slot].data();
  const size_t n = kPacketHeaderSize + payloadLength;  // bytes before the check value
  auto& frame = js.TxFrame[slot];
  size_t frameLength = 0;
  if (n + 2 <= kTxPacketSize) {
    PutLE16(p + n, PacketCRC16(p, 0, static_cast<uint32_t>(n - 1)));
    frameLength = EncodeFrame(p, n + 2, frame.data(), frame.size());
  }
  if (frameLength == 0) {
    RefuseSend(js, msg::FmtV(msg::Tr("Packet of %d bytes is too long to send!"), static_cast<int>(n + 2)),
               slot);
    return;
  }
  SendToPort(js, frame.data(), frameLength, slot);
}

void SendProbe(JobState& js, int slot) {
  static constexpr std::array<uint8_t, 10> kProbe = {
      kFrameMark, kProbeHeader[0], kProbeHeader[1], kProbeHeader[2], kFrameMark,
      0xFF,       0xFF,            0xFF,            0xFF,            0xFF};
  auto& frame = js.TxFrame[slot];
  std::copy(kProbe.begin(), kProbe.end(), frame.begin());
  SendToPort(js, frame.data(), kProbe.size(), slot);
}

void SendCommand16(JobState& js, uint8_t command, int slot) {
  PutPacketHeader(js, command, 0, kFlagNone, 16, slot);
  uint8_t* payload = js.TxPacket[slot].data() + kPacketHeaderSize;
  std::memset(payload, 0, 16);
  PutLE16(payload, (js.SlotSettings[slot].DataSizeKB + 63) / 64);
  PutLE16(payload + 6, 31200);
  SendSlotPacket(js, 16, slot);
}

void SendCommandWithChipParams(JobState& js, uint8_t command, int slot) {
  PutPacketHeader(js, command, 0, kFlagChip, 64, slot);
  BuildChipParamBlock(js, slot);
  uint8_t* tail = js.TxPacket[slot].data() + kPacketHeaderSize + kChipParamBlockSize;
  PutLE32(tail, js.SlotSettings[slot].DataSizeKB * 1024u);
  std::memset(tail + 4, 0, 12);
  SendSlotPacket(js, 64, slot);
}

void SendCommand2(JobState& js, uint8_t command, uint16_t argument, int slot) {
  PutPacketHeader(js, command, argument, kFlagChip, 2, slot);
  // The two payload bytes keep what the slot's last packet left in its send
  // area (no answer is decoded there); the check value covers them.
  SendSlotPacket(js, 2, slot);
}

void SendDataPage(JobState& js, uint8_t command, uint32_t kbIndex, uint32_t byteOffset, int slot) {
  const uint8_t* src = DataToSend(js, uint64_t{kbIndex} * 1024 + byteOffset, kPageBytes, slot);
  if (src == nullptr) return;
  PutPacketHeader(js, command, static_cast<uint16_t>(kbIndex), kFlagNone, kPageBytes, slot);
  uint8_t* page = js.TxPacket[slot].data() + kPacketHeaderSize;
  std::memcpy(page, src, kPageBytes);
  OverlaySerialNumber(js.SlotSettings[slot], uint64_t{kbIndex} * 1024 + byteOffset, page, kPageBytes);
  SendSlotPacket(js, kPageBytes, slot);
}

void SendChipConfig(JobState& js, uint8_t command, uint16_t argument, int slot) {
  constexpr uint16_t kPayload = 260;
  uint8_t* p = js.TxPacket[slot].data();
  const SealedSettings& c = js.SlotSettings[slot];
  PutPacketHeader(js, command, argument, kFlagChip, kPayload, slot);
  std::memcpy(p + 8, "QJVB", 4);
  FillChipParamBlock(c, js.Filler, p + 12, true);
  p[60] = c.SNEnabled;
  p[61] = c.SNLength;
  p[62] = static_cast<uint8_t>(uint32_t{c.DeviceCount} * static_cast<uint32_t>(c.SNGain));
  p[63] = 0;
  PutLE32(p + 64, static_cast<uint32_t>(c.SNAddress));
  PutLE32(p + 68, static_cast<uint32_t>(c.SNValue));
  for (int i = 72; i < 76; ++i) p[i] = static_cast<uint8_t>(js.Filler.Next(255));
  p[76] = c.CountLimitOn;
  p[77] = c.PowerTime;
  PutLE32(p + 78, static_cast<uint32_t>(c.CountLimit));
  PutLE16(p + 82, static_cast<uint16_t>(c.ChipInTime));
  PutLE16(p + 84, static_cast<uint16_t>(c.ChipOffTime));
  PutLE32(p + 86, c.ShownChecksum);
  for (int i = 90; i < 92; ++i) p[i] = static_cast<uint8_t>(js.Filler.Next(255));
  PutPacketString(js, c.SelChipName, 92, 16, slot);
  PutPacketString(js, c.DataFileName, 108, 48, slot);
  for (int i = 156; i < 257; ++i) p[i] = static_cast<uint8_t>(js.Filler.Next(255));
  // Bytes 257-263 are not assigned: they keep what the slot's last packet
  // left in its send area. Then the inner check, the sum over the payload
  // including that check, and the packet check value, all over them.
  PutLE16(p + 264, PacketCRC16(p, 8, 263));
  PutLE16(p + 266, static_cast<uint16_t>(0x10000 - ChecksumNeg16(p, 8, 265)));
  SendSlotPacket(js, kPayload, slot);
}

void SendChipCommand(JobState& js, uint8_t command, uint16_t argument, int slot) {
  PutPacketHeader(js, command, argument, kFlagNone, kChipParamBlockSize, slot);
  BuildChipParamBlock(js, slot);
  SendSlotPacket(js, kChipParamBlockSize, slot);
}

void SendOffLineMonitor(JobState& js, uint8_t command, int slot) {
  uint8_t* p = js.TxPacket[slot].data();
  p[0] = command;
  std::memcpy(p + 1, "REST", 4);
  p[5] = 0xA8;
  PutLE16(p + 6, 2);
  p[8] = 0;
  p[9] = 0;
  SendSlotPacket(js, 2, slot);
}

void SendProgramPages(JobState& js, uint8_t command, uint32_t kbIndex, uint32_t byteOffset,
                      int slot) {
  uint8_t* p = js.TxPacket[slot].data();
  uint8_t* data = p + kPacketHeaderSize + kChipParamBlockSize;
  const uint64_t start = uint64_t{kbIndex} * 1024;
  const SealedSettings& sealed = js.SlotSettings[slot];
  if (IsPagedFlash(sealed.ChipFamily)) {
    constexpr size_t kPage = kPagedDataSize, kSpare = kPagedSpareSize, kPages = kPagedPagesPerBlock;
    constexpr uint16_t kPayload = kChipParamBlockSize + kPages * (kPage + kSpare);  // 0x10B0
    const uint8_t* pages = DataToSend(js, start, kPages * kPage, slot);
    if (pages == nullptr) return;
    const uint8_t* spare =
        DataToSend(js, kPageSpareOffset + uint64_t{kPagedSparePerKB} * kbIndex, kPages * kSpare, slot);
    if (spare == nullptr) return;
    PutPacketHeader(js, command, static_cast<uint16_t>(kbIndex), kFlagNone, kPayload, slot);
    BuildChipParamBlock(js, slot);
    for (size_t i = 0; i < kPages; ++i) {
      std::memcpy(data + i * (kPage + kSpare), pages + i * kPage, kPage);
      OverlaySerialNumber(sealed, start + i * kPage, data + i * (kPage + kSpare), kPage);
      std::memcpy(data + i * (kPage + kSpare) + kPage, spare + i * kSpare, kSpare);
    }
    SendSlotPacket(js, kPayload, slot);
    return;
  }
  constexpr uint16_t kPayload = kChipParamBlockSize + kPageBytes;  // 0x1030
  const uint8_t* src = DataToSend(js, start + byteOffset, kPageBytes, slot);
  if (src == nullptr) return;
  PutPacketHeader(js, command, static_cast<uint16_t>(kbIndex), kFlagNone, kPayload, slot);
  BuildChipParamBlock(js, slot);
  std::memcpy(data, src, kPageBytes);
  OverlaySerialNumber(sealed, start + byteOffset, data, kPageBytes);
  SendSlotPacket(js, kPayload, slot);
}

bool SendAddressWrite(JobState& js, int slot) {
  const size_t length = js.AddrWriteLen;
  if (length > kAddrWriteMaxLen || js.AddrWriteData.size() < length) {
    std::string text = msg::FmtV(msg::Tr("Address Write refused: %d data bytes, at most %d fit!"),
                                 static_cast<int>(length), static_cast<int>(kAddrWriteMaxLen));
    if (js.LogMemo) js.LogMemo->ShowMessage(text);
    LogSlotMessage(js, text, slot);
    return false;
  }
  constexpr size_t kFixed = kChipParamBlockSize + 4;  // block, address, length
  uint8_t* p = js.TxPacket[slot].data();
  PutPacketHeader(js, kCmdChip, kSubAddressWrite, kFlagNone, static_cast<uint16_t>(length + kFixed), slot);
  BuildChipParamBlock(js, slot);
  PutLE16(p + 56, js.AddrWriteAddr);
  PutLE16(p + 58, js.AddrWriteLen);
  std::copy_n(js.AddrWriteData.begin(), length, p + 60);
  SendSlotPacket(js, length + kFixed, slot);
  return true;
}

void SendRawBlockPair(JobState& js, int slot) {
  const uint64_t k = uint64_t{js.SlotKbIndex[slot]} * 1024;
  auto& block = js.SlotRawBlock[slot];
  uint32_t sum = CopyRawBlock(js, k, slot);
  if (!SendToPort(js, block.data(), block.size(), slot)) return;
  sum += CopyRawBlock(js, k + block.size(), slot);
  SendToPort(js, block.data(), block.size(), slot);
  js.SlotSendSum[slot] = sum;
}

void SendNextDownloadBlock(JobState& js, int slot) {
  auto& block = js.SlotRawBlock[slot];
  js.SlotSendSum[slot] = CopyRawBlock(js, uint64_t{js.SlotKbIndex[slot]} * 1024, slot);
  js.SlotKbIndex[slot] += 32;
  SendToPort(js, block.data(), block.size(), slot);
}
