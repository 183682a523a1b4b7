#include "protocol/SlotSerialNumbers.h"

#include <algorithm>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/Checks.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"

namespace {

uint8_t SerialByte(const SerialPlacement& s, uint32_t i) {
  return static_cast<uint8_t>(s.Number >> (8 * (s.BigEndian ? 3 - i : i)));
}

ImageChecks BufferChecks(const JobState& js) { return {js.DataCRC16, js.DataSum16, js.ChipSum32}; }

// The job's S/N address and byte order as the settings were collected.
SerialPlacement JobSerial(const JobState& js, uint32_t number) {
  return {static_cast<uint32_t>(js.SNAddress), (js.CtrlFlags & 0x10) != 0, number};
}

}  // namespace

ImageChecks ChecksWithSerial(const JobState& js, const SerialPlacement& serial) {
  ImageChecks checks = BufferChecks(js);
  if (js.DataEnd < js.DataStart) return checks;
  // The range the check values were taken over (UpdateChecksums), inside the buffer.
  const uint64_t n = std::min<uint64_t>(uint64_t{js.DataEnd} - js.DataStart, kDataBufferSize - 1) + 1;
  for (uint32_t i = 0; i < 4; ++i) {
    const uint64_t at = uint64_t{serial.Address} + i;
    if (at >= n) continue;
    const uint8_t was = js.DataBuffer[at];
    const uint8_t now = SerialByte(serial, i);
    checks.ChipSum32 += uint32_t{now} - uint32_t{was};
    checks.DataCRC16 ^= PacketCRC16Advance(static_cast<uint16_t>(was ^ now), n - 1 - at);
  }
  checks.DataSum16 = static_cast<uint16_t>(checks.ChipSum32);
  return checks;
}

uint32_t SerialNumberAfter(uint32_t first, int32_t gain, uint32_t index) {
  return first + static_cast<uint32_t>(static_cast<uint16_t>(gain)) * index;
}

void GiveSlotSerialNumber(JobState& js, uint32_t number, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  const SerialPlacement serial = JobSerial(js, number);
  SealedSettings& s = js.SlotSettings[slot];
  s.SerialOverlay = true;
  s.SerialAddress = serial.Address;
  s.SerialBigEndian = serial.BigEndian;
  s.SerialNumber = number;
  const ImageChecks checks = ChecksWithSerial(js, serial);
  s.DataCRC16 = checks.DataCRC16;
  s.DataSum16 = checks.DataSum16;
  s.ChipSum32 = checks.ChipSum32;
  js.SlotProgrammedSerial[slot] = {true, serial, JobSerial(js, static_cast<uint32_t>(js.SNValue)),
                                   BufferChecks(js)};
  LogSlotMessage(js, msg::FmtV(msg::Tr("Online S/N of this chip: 0x%0.8x."), number), slot);
}

void CheckAgainstProgrammedSerial(JobState& js, int slot) {
  if (slot < 0 || slot >= kSlotCount) return;
  const ProgrammedSerial& last = js.SlotProgrammedSerial[slot];
  if (!last.Valid) return;
  // The buffer may have had the next run's number written in since, or hold
  // another image: only the run's own image, whatever number it now holds
  // at that address, stands for the chip.
  if (ChecksWithSerial(js, last.RunFirst) != last.Buffer) return;
  const ImageChecks checks = ChecksWithSerial(js, last.Slot);
  SealedSettings& s = js.SlotSettings[slot];
  s.DataCRC16 = checks.DataCRC16;
  s.DataSum16 = checks.DataSum16;
  s.ChipSum32 = checks.ChipSum32;
}
