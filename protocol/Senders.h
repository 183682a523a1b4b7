#pragma once
// One sender per command of the programmer units. Each builds its packet in
// the slot's own packet area, frames it into the slot's frame area and hands
// the frame to the slot's port (nothing is sent when the slot has no port).
// The port copies what it is given, so the areas may be reused at once; bytes
// it does not take end the slot's operation with a log line saying why.
#include <cstddef>
#include <cstdint>

struct JobState;

// Header of the slot's packet: command, argument, flag, the chip bytes and
// the payload length.
void PutPacketHeader(JobState& js, uint8_t command, uint16_t argument, uint8_t flag,
                     uint16_t payloadLength, int slot);

// Common tail: the packet check value behind the payload, then frame and send
// the 10 + payloadLength packet bytes. A packet too long for the slot's areas
// is not sent: the slot's operation ends with a log line saying so.
void SendSlotPacket(JobState& js, size_t payloadLength, int slot);

// The fixed discovery probe frame, ten bytes without check value.
void SendProbe(JobState& js, int slot);

// 16-byte payload: the number of 64 KB blocks of the data range and 31200.
void SendCommand16(JobState& js, uint8_t command, int slot);

// Chip-parameter block and the data size in bytes.
void SendCommandWithChipParams(JobState& js, uint8_t command, int slot);

// Two payload bytes that are not assigned.
void SendCommand2(JobState& js, uint8_t command, uint16_t argument, int slot);

// One 4 KB page of the data buffer from kbIndex * 1024 + byteOffset. A page
// outside the buffer is not sent: the slot's operation ends with a log line.
void SendDataPage(JobState& js, uint8_t command, uint32_t kbIndex, uint32_t byteOffset, int slot);

// The 270-byte configuration packet of a download.
void SendChipConfig(JobState& js, uint8_t command, uint16_t argument, int slot);

// The chip-parameter block alone.
void SendChipCommand(JobState& js, uint8_t command, uint16_t argument, int slot);

// The 12-byte off-line monitor packet ("REST").
void SendOffLineMonitor(JobState& js, uint8_t command, int slot);

// Chip-parameter block and 4 KB of program data; for flash with 528-byte
// pages eight pages of 512 data and 16 spare bytes. Data outside the buffer
// is not sent: the slot's operation ends with a log line.
void SendProgramPages(JobState& js, uint8_t command, uint32_t kbIndex, uint32_t byteOffset,
                      int slot);

// Writes AddrWriteData at AddrWriteAddr. Data that would not fit the packet
// area (or that AddrWriteData does not hold) is refused: the operator is told,
// nothing is built or sent, and the result is false.
bool SendAddressWrite(JobState& js, int slot);

// Two raw 32 KB blocks of the data buffer from SlotKbIndex; their byte sum
// goes to SlotSendSum. SlotKbIndex is left for the answer handler to advance.
void SendRawBlockPair(JobState& js, int slot);

// One raw 32 KB block from SlotKbIndex; SlotSendSum is its sum and SlotKbIndex
// advances by 32.
void SendNextDownloadBlock(JobState& js, int slot);
