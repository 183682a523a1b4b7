#include "protocol/SerialNumber.h"

#include "messages/Format.h"
#include "messages/Messages.h"
#include "protocol/JobState.h"
#include "protocol/Log.h"

bool WriteSerialNumber(JobState& js, bool bigEndian) {
  const uint32_t address = static_cast<uint32_t>(js.SNAddress);
  if (address > kDataBufferSize - 4) {
    AddInfoLine(js, msg::FmtV(msg::Tr("S/N not inserted: address 0x%0.8x lies outside the data buffer."),
                              address));
    return false;
  }
  const uint32_t value = static_cast<uint32_t>(js.SNValue);
  for (uint32_t i = 0; i < 4; ++i) {
    const uint8_t byte = static_cast<uint8_t>(value >> (8 * i));
    js.DataBuffer[bigEndian ? address + 3 - i : address + i] = byte;
  }
  return true;
}

uint32_t NextSerialNumber(uint32_t value, int32_t gain) {
  return value + static_cast<uint16_t>(gain);
}
