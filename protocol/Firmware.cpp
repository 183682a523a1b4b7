#include "protocol/Firmware.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "messages/Messages.h"
#include "protocol/BlockKeyTable.h"
#include "protocol/ChipParamBlock.h"
#include "protocol/CommandCodes.h"
#include "protocol/FirmwareImageFormat.h"
#include "protocol/GaugeControl.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"
#include "protocol/PacketBytes.h"
#include "protocol/Senders.h"
#include "protocol/SlotOperations.h"
#include "protocol/SlotTimers.h"

namespace {

using namespace fwimage;

constexpr uint16_t kBlockPayload = 2048;

uint32_t Sum(std::span<const uint8_t> bytes) {
  uint32_t s = 0;
  for (uint8_t b : bytes) s += b;
  return s;
}

bool MagicMatches(std::span<const uint8_t> file) {
  for (size_t i = 0; i < kMagicSize; ++i) {
    // A zero byte stands for a zero character, which never matches.
    if (file[i] == 0 || (file[i] ^ 0x80) != static_cast<uint8_t>(kMagicText[i])) return false;
  }
  return true;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kSlotCount; }

}  // namespace

FirmwareLoadResult LoadFirmwareImageData(JobState& js, std::span<const uint8_t> file) {
  FirmwareState& fw = js.Firmware;
  js.FirmwareLoaded = 0;
  fw.ImageKeyTable.fill(0);
  // A longer file cannot be a valid image: it would wrap over its own header.
  if (file.size() > kFirmwareImageSize) return FirmwareLoadResult::BadLayout;
  std::copy(file.begin(), file.end(), fw.FirmwareImage.begin());
  std::fill(fw.FirmwareImage.begin() + static_cast<ptrdiff_t>(file.size()), fw.FirmwareImage.end(), 0);

  if (file.size() < kMagicSize || !MagicMatches(file)) return FirmwareLoadResult::BadMagic;
  if (file.size() < kBodyOffset) return FirmwareLoadResult::BadLayout;
  uint32_t sum = Sum(file.subspan(kMagicOffset, kMagicSize));

  fw.FwStartAddr = kStartAddr;
  fw.FirmwareVersion.fill(0);
  std::copy_n(file.begin() + kVersionOffset, kVersionSize, fw.FirmwareVersion.begin());
  const uint16_t key = GetLE16(&file[kHeaderKeyOffset]);
  fw.FwEndAddr = GetLE16(&file[kEndAddrOffset]) ^ key;
  fw.FwBodyLength = GetLE16(&file[kBodyLengthOffset]) ^ key;
  sum += Sum(file.subspan(kVersionOffset, kBodyOffset - kVersionOffset));  // up to the key table's end
  std::copy_n(file.begin() + kKeyTableOffset, kKeyTableSize, fw.ImageKeyTable.begin());

  const size_t bodyBytes = BodyFileLength(fw.FwBodyLength);
  const size_t trailerOffset = kBodyOffset + bodyBytes;
  if (file.size() < trailerOffset + kTrailerSize + kSumSize) return FirmwareLoadResult::BadLayout;

  // The range must lie inside the image area and the body must cover it
  // (two bytes per address step); the last block may reach past both.
  if (fw.FwEndAddr <= fw.FwStartAddr || uint32_t{fw.FwEndAddr} - fw.FwStartAddr > kMaxRangeSteps ||
      RangeBytes(fw.FwStartAddr, fw.FwEndAddr) > fw.FwBodyLength) {
    return FirmwareLoadResult::BadRange;
  }

  // Unscramble into the image area from offset 0; the output stays behind the
  // input, as when done in place.
  for (size_t i = 0; i < bodyBytes; ++i) {
    uint8_t in = file[kBodyOffset + i];
    sum += in;
    size_t k = GroupKeyIndex(i / 4) + (i & 1);
    fw.FirmwareImage[i] = in ^ fw.ImageKeyTable[k];
  }
  sum += Sum(file.subspan(trailerOffset, kTrailerSize));
  uint32_t stored = GetLE32(&file[trailerOffset + kTrailerSize]);
  if (stored != sum) return FirmwareLoadResult::BadSum;
  // What the last block carries beyond the body is erased flash, never the
  // file's own padding, trailer or sum.
  const size_t blocksEnd = size_t{BlockCount(fw.FwStartAddr, fw.FwEndAddr)} * kBlockBytes;
  if (blocksEnd > fw.FwBodyLength) {
    std::fill(fw.FirmwareImage.begin() + fw.FwBodyLength, fw.FirmwareImage.begin() + static_cast<ptrdiff_t>(blocksEnd),
              uint8_t{0xFF});
  }
  js.FirmwareLoaded = 1;
  return FirmwareLoadResult::Loaded;
}

FirmwareLoadResult LoadFirmwareImage(JobState& js, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    js.FirmwareLoaded = 0;
    return FirmwareLoadResult::Unreadable;
  }
  // One byte more than the image area tells an over-long file apart.
  std::vector<uint8_t> file(kFirmwareImageSize + 1);
  in.read(reinterpret_cast<char*>(file.data()), static_cast<std::streamsize>(file.size()));
  if (in.bad()) {
    js.FirmwareLoaded = 0;
    return FirmwareLoadResult::Unreadable;
  }
  file.resize(static_cast<size_t>(in.gcount()));
  return LoadFirmwareImageData(js, file);
}

void StartFirmwareUpgrade(JobState& js, int slot) {
  if (js.FirmwareLoaded != 1 || !ValidSlot(slot)) return;
  const FirmwareState& fw = js.Firmware;
  // The slot need not have a unit yet: its operation routes the answers.
  BeginOperation(js, {.op = kOpFirmwareUpgrade, .gaugeByTicks = false, .autoRun = std::nullopt}, slot);
  js.SlotTimeout[slot] = kAnswerTimeoutTicks;
  RequestTicks(js);
  js.SlotKbIndex[slot] = fw.FwStartAddr;  // here: the address of the block to send
  js.SlotBlockTotal[slot] = (fw.FwEndAddr - fw.FwStartAddr) / kBlockSteps + 1;
  SetGauge(js.GaugeSlots[slot], 2, js.SlotBlockTotal[slot], GaugeColor::Blue);
  LogSlotMessage(js, msg::Tr("Start firmware upgrade......"), slot);
  SendFirmwareBlock(js, fw.FwStartAddr, slot);
}

void SendFirmwareBlock(JobState& js, uint32_t address, int slot) {
  const FirmwareState& fw = js.Firmware;
  if (!ValidSlot(slot) || address < fw.FwStartAddr || address > 0xFFFF) return;
  const uint32_t steps = address - fw.FwStartAddr;
  const uint32_t block = steps / kBlockSteps;
  PutPacketHeader(js, kCmdFirmwareBlock, static_cast<uint16_t>(address), static_cast<uint8_t>(block),
                  kBlockPayload, slot);
  uint8_t* p = js.TxPacket[slot].data();
  // The header's chip bytes are the block total and a fixed 0x0F here.
  p[4] = static_cast<uint8_t>(js.SlotBlockTotal[slot]);
  p[5] = 0x0F;

  const BlockKeys keys = BlockKeysFor(block);
  const uint32_t offset = (2 * steps) & 0xFFFF;
  uint8_t* payload = p + kPacketHeaderSize;
  for (uint32_t i = 0; i < kBlockPayload / 4; ++i) {
    auto image = [&](uint32_t j) { return fw.FirmwareImage[(offset + 4 * i + j) & 0xFFFF]; };
    payload[4 * i + 0] = image(0) ^ keys.k0;
    payload[4 * i + 1] = image(1) ^ keys.k1;
    payload[4 * i + 2] = image(2) ^ keys.k0;
    payload[4 * i + 3] = keys.k1;  // the fourth image byte is not sent
  }
  SendSlotPacket(js, kBlockPayload, slot);
}

void ContinueFirmwareUpgrade(JobState& js, uint8_t /*status*/, int slot) {
  if (!ValidSlot(slot)) return;
  if (IGauge* gauge = js.GaugeSlots[slot]) SetGaugeProgress(gauge, int64_t{gauge->Progress()} + 1);
  js.SlotKbIndex[slot] += kBlockSteps;
  if (js.SlotKbIndex[slot] < js.Firmware.FwEndAddr) {
    SendFirmwareBlock(js, js.SlotKbIndex[slot], slot);
    return;
  }
  SendOffLineMonitor(js, kCmdOffLineMonitor, slot);
  LogSlotMessage(js, msg::Tr("Firmware Upgrade Completed!"), slot);
  EndSlotOperation(js, false, slot);
}
