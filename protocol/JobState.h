#pragma once
// The job state: every value the program's parts share — the data buffer, the
// chosen chip's parameters, the control settings copied from the window before
// each command, the data range and its checksums, the job flags and counters,
// and one set of tables and buffers per slot (programmer unit 0..7).
//
// One instance is owned by the application and passed by reference; it is
// large (the data buffer alone is 130 MB), so create it on the heap.
// Only the main thread touches it.
#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "protocol/FillerRandom.h"
#include "protocol/FirmwareState.h"
#include "protocol/SealedSettings.h"
#include "protocol/SlotOpCodes.h"
#include "protocol/SlotPort.h"
#include "protocol/SlotSerialNumbers.h"
#include "protocol/View.h"

inline constexpr int kSlotCount = 8;

inline constexpr uint32_t kDataBufferSize = 0x8200001;  // 136,314,881 bytes
inline constexpr uint32_t kPageSpareOffset = 0x200000;  // spare bytes of 528-byte pages
inline constexpr uint32_t kPageSpareSize = 0x10000;

inline constexpr size_t kTxPacketSize = 8192;
inline constexpr size_t kTxFrameSize = 2 * kTxPacketSize + 7;  // every byte escaped, marks, padding
inline constexpr size_t kSlotRawBlockSize = 32768;
// A unit's answer decodes into a packet area as large as the send area. A
// valid answer may escape to twice its size, so the longest frame a slot
// takes is a whole escaped packet, and its receive buffer holds that plus
// one read chunk.
inline constexpr size_t kRxPacketSize = kTxPacketSize;
inline constexpr size_t kSlotFrameSize = kTxFrameSize;
inline constexpr size_t kReadChunkSize = 2048;
inline constexpr size_t kSlotRxBufSize = kSlotFrameSize + kReadChunkSize;

// The largest Address Write: its packet (62 + length bytes) must fit TxPacket.
inline constexpr size_t kAddrWriteMaxLen = kTxPacketSize - 62;

// Gives the data buffer's memory back to the system.
struct DataBufferDeleter {
  void operator()(uint8_t* p) const;
};

// The fields named as the protocol's packets carry them (chip parameters,
// control settings, the image's size and check values) come from
// PacketSettings, so that a slot's sealed copy holds each of them once.
struct JobState : PacketSettings {
  JobState();
  JobState(const JobState&) = delete;
  JobState& operator=(const JobState&) = delete;

  // --- Data buffer -------------------------------------------------------
  std::unique_ptr<uint8_t[], DataBufferDeleter> DataBuffer;  // kDataBufferSize bytes
  uint8_t* PageSpareArea() { return DataBuffer.get() + kPageSpareOffset; }

  // --- Chip parameters (besides those of PacketSettings) -----------------
  uint8_t Vcc18V = 0;
  uint8_t PageEraseChip = 0;
  uint8_t Esp8285Mode = 0;
  uint8_t ChipSpare = 0;
  uint8_t ChipAuxByte = 0;
  uint8_t CtrlFlags2 = 0;
  uint32_t ChipAuxWord = 0;

  // --- Control settings (besides those of PacketSettings) ----------------
  uint8_t ProtectByte = 0;
  // "Enable S/N" and "Enable Online S/N" both checked, kept in step with the
  // boxes: Auto and Program give every unit its own number from SNValue on.
  uint8_t OnlineSN = 0;
  // The display choices, kept in step with their controls: "User Chip Size"
  // (a trimmed chip class takes the whole chip) and the kind of checksum in
  // the status bar (0 ACC32, 1 CRC32).
  uint8_t UserChipSize = 0;
  uint8_t ChecksumKind = 1;
  uint16_t AddrWriteAddr = 0;
  uint16_t AddrWriteLen = 0;
  std::vector<uint8_t> AddrWriteData;

  // --- Data range and checksums -------------------------------------------
  uint32_t DataStart = 0;
  uint32_t DataEnd = 0;
  uint32_t ChipSizeCopy = 0;
  int32_t ChipEndAddr = 0;
  uint32_t FileStartAddr = 0;
  uint32_t FileEndAddr = 0;
  uint32_t FileLength = 0;
  uint32_t LoadSum = 0;
  uint32_t FileCRC32 = 0;
  uint32_t ChipCRC32 = 0;
  uint32_t ReadLength = 0;
  uint32_t ReadCount = 0;
  // Leading 0xFF bytes of a streamed read held aside (at most five): the
  // padding behind the answer that started it, or the chip's own first
  // bytes, as the count of bytes that came decides (StreamedRead.cpp).
  uint8_t ReadStreamHeld = 0;

  // --- Job flags and counters ----------------------------------------------
  uint8_t ChipSelected = 0;
  uint8_t DataLoaded = 0;
  uint8_t ReadStreaming = 0;
  uint8_t FirmwareLoaded = 0;
  uint8_t TotalDevices = 0;
  int32_t OkCount = 0;
  int32_t NgCount = 0;
  std::string AppDir;
  std::string SelectedPort;
  IView* LogMemo = nullptr;  // the window's message log and the rest of its view

  // --- Per-slot tables ------------------------------------------------------
  template <typename T>
  using PerSlot = std::array<T, kSlotCount>;

  PerSlot<ISlotPort*> CommSlots{};
  PerSlot<IGauge*> GaugeSlots{};
  PerSlot<uint8_t> SlotConnected{};
  PerSlot<uint8_t> SlotBusy{};
  PerSlot<SlotOpCode> SlotOp{};
  PerSlot<int32_t> SlotTimeout{};
  PerSlot<uint32_t> SlotBlockTotal{};
  PerSlot<uint32_t> SlotKbIndex{};
  PerSlot<uint32_t> SlotSendSum{};
  PerSlot<uint8_t> SlotDownloading{};
  PerSlot<uint8_t> SlotRawPending{};
  PerSlot<uint8_t> SlotAutoMode{};
  PerSlot<uint8_t> SlotGaugeTick{};
  PerSlot<int32_t> SlotSeqTotal{};
  PerSlot<int32_t> SlotSeqPos{};
  PerSlot<int32_t> SlotOkCount{};
  PerSlot<int32_t> SlotNgCount{};
  PerSlot<uint16_t> SlotRxCount{};
  // The watch on a paced program stream's write queue: the bytes queued at
  // the last 10 ms tick, and the ticks left while they stand still.
  PerSlot<size_t> SlotQueuedSeen{};
  PerSlot<int32_t> SlotStallTicks{};
  // What each slot's command sends, sealed when the command started.
  PerSlot<SealedSettings> SlotSettings{};
  // The online serial number each slot last programmed, for a later Verify.
  PerSlot<ProgrammedSerial> SlotProgrammedSerial{};
  // Result-code texts whose box is on screen (front) or waiting, per slot.
  PerSlot<std::deque<std::string>> SlotResultBoxes{};

  // --- Per-slot buffers (no buffer is shared between slots) ----------------
  // What a slot sends is built in TxPacket and framed in TxFrame; what its
  // unit sends comes into SlotRxBuf and each frame of it is decoded into
  // RxPacket. An answer never lands in the send area.
  PerSlot<std::array<uint8_t, kTxPacketSize>> TxPacket{};
  PerSlot<std::array<uint8_t, kTxFrameSize>> TxFrame{};
  PerSlot<std::array<uint8_t, kSlotRawBlockSize>> SlotRawBlock{};
  PerSlot<std::array<uint8_t, kRxPacketSize>> RxPacket{};
  PerSlot<std::array<uint8_t, kSlotRxBufSize>> SlotRxBuf{};

  // The program-wide filler sequence of the packets and project files; it
  // starts the same at every program start.
  FillerRandom Filler;

  // The units' firmware image beside the program.
  FirmwareState Firmware;
};

// Chip parameters and job flags to their start values, DataBuffer to 0xFF.
void InitChipParams(JobState& js);

// Per-slot tables to idle (no unit, nothing armed); binds the slots' ports
// and gauges.
void InitSlotTables(JobState& js, const std::array<ISlotPort*, kSlotCount>& ports,
                    const std::array<IGauge*, kSlotCount>& gauges);
