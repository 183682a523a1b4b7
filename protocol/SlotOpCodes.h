#pragma once
// The operations a slot runs (SlotOp) and the commands the operator gives,
// with the one list of what each does with the data buffer. Every switch
// over these has no default, so that an operation or a command added here
// and not handled somewhere is a compiler warning (-Wswitch).
#include <cstdint>

// What runs on a slot, the code of its first command where it has one.
enum class SlotOpCode : uint8_t {
  ReadChip155 = 0,
  Download = 3,
  DownloadPages = 5,
  DownloadRaw = 7,
  BlankCheck = 16,
  Erase = 19,
  Program149 = 21,
  Program150 = 23,
  Verify = 25,
  ReadChip154 = 32,
  ReadDownloaded = 37,
  AddressWrite = 42,
  ReadId = 48,
  FirmwareUpgrade = 160,
  Idle = 240,
};

inline constexpr SlotOpCode kOpReadChip155 = SlotOpCode::ReadChip155;
inline constexpr SlotOpCode kOpDownload = SlotOpCode::Download;
inline constexpr SlotOpCode kOpDownloadPages = SlotOpCode::DownloadPages;
inline constexpr SlotOpCode kOpDownloadRaw = SlotOpCode::DownloadRaw;
inline constexpr SlotOpCode kOpBlankCheck = SlotOpCode::BlankCheck;
inline constexpr SlotOpCode kOpErase = SlotOpCode::Erase;
inline constexpr SlotOpCode kOpProgram149 = SlotOpCode::Program149;
inline constexpr SlotOpCode kOpProgram150 = SlotOpCode::Program150;
inline constexpr SlotOpCode kOpVerify = SlotOpCode::Verify;
inline constexpr SlotOpCode kOpReadChip154 = SlotOpCode::ReadChip154;
inline constexpr SlotOpCode kOpReadDownloaded = SlotOpCode::ReadDownloaded;
inline constexpr SlotOpCode kOpAddressWrite = SlotOpCode::AddressWrite;
inline constexpr SlotOpCode kOpReadId = SlotOpCode::ReadId;
inline constexpr SlotOpCode kOpFirmwareUpgrade = SlotOpCode::FirmwareUpgrade;
inline constexpr SlotOpCode kOpIdle = SlotOpCode::Idle;

// What an armed operation does with the data buffer.
enum class BufferUse : uint8_t {
  None,
  Sends,        // the image goes to the unit from the buffer
  SendsInAuto,  // only as a step of Auto, which programs from the buffer next
  Fills,        // the chip's or the unit's bytes come into the buffer
};

constexpr BufferUse BufferUseOf(SlotOpCode op) {
  switch (op) {
    case SlotOpCode::Download:
    case SlotOpCode::DownloadPages:
    case SlotOpCode::DownloadRaw:
    case SlotOpCode::Program149:
    case SlotOpCode::Program150:
      return BufferUse::Sends;
    case SlotOpCode::Erase:
      return BufferUse::SendsInAuto;
    case SlotOpCode::ReadChip155:
    case SlotOpCode::ReadChip154:
    case SlotOpCode::ReadDownloaded:
      return BufferUse::Fills;
    case SlotOpCode::BlankCheck:
    case SlotOpCode::Verify:
    case SlotOpCode::AddressWrite:
    case SlotOpCode::ReadId:
    case SlotOpCode::FirmwareUpgrade:
    case SlotOpCode::Idle:
      return BufferUse::None;
  }
  return BufferUse::None;
}

// The commands that run on every ready slot.
enum class SlotCommand { Download, Auto, BlankCheck, Erase, Program, Verify };

// Whether the command works with the loaded image, and whether it sends it
// from the data buffer (which a read filling the buffer stands in the way of).
constexpr bool CommandNeedsData(SlotCommand command) {
  switch (command) {
    case SlotCommand::Download:
    case SlotCommand::Auto:
    case SlotCommand::Program:
    case SlotCommand::Verify:
      return true;
    case SlotCommand::BlankCheck:
    case SlotCommand::Erase:
      return false;
  }
  return false;
}

constexpr bool CommandSendsBuffer(SlotCommand command) {
  switch (command) {
    case SlotCommand::Download:
    case SlotCommand::Auto:
    case SlotCommand::Program:
      return true;
    case SlotCommand::BlankCheck:
    case SlotCommand::Erase:
    case SlotCommand::Verify:
      return false;
  }
  return false;
}
