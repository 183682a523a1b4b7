#pragma once
// Command bytes of the programmer units, the sub-codes of the chip command,
// the unit's report and status codes, the answer time-out and the geometry of
// 528-byte-page flash: the facts of the line protocol the engine relies on.
#include <array>
#include <cstdint>

#include "protocol/ChipFamilies.h"

inline constexpr uint8_t kCmdReadDownloaded = 57;   // the image stored in the unit, as 4 KB answers
inline constexpr uint8_t kCmdDownloadConfig = 83;   // configuration packet of a download
inline constexpr uint8_t kCmdDataPage = 85;         // one 4 KB page into the unit's store
inline constexpr uint8_t kCmdRawDownload = 89;      // download as raw 64 KB rounds
inline constexpr uint8_t kCmdChipVerified = 134;    // a chip of the Auto sequence is done
inline constexpr uint8_t kCmdOffLineMonitor = 138;  // the unit's off-line monitor mode
inline constexpr uint8_t kCmdChip = 147;            // chip command with a sub-code
inline constexpr uint8_t kCmdProgramPages = 149;    // program 4 KB
inline constexpr uint8_t kCmdProgramStream = 150;   // program from a raw stream
inline constexpr uint8_t kCmdReadStream = 154;      // read the chip as a raw stream
inline constexpr uint8_t kCmdReadBlock = 155;       // read 4 KB of the chip
inline constexpr uint8_t kCmdFirmwareBlock = 0xB7;  // one block of a firmware upgrade

// The probe a unit answers with its name, and the header of that answer.
inline constexpr std::array<uint8_t, 3> kProbeHeader = {0xA3, 0xA5, 0x35};

// Sub-codes of kCmdChip.
inline constexpr uint8_t kSubErase = 3;
inline constexpr uint8_t kSubVerify = 0x33;
inline constexpr uint8_t kSubBlankCheck = 0x35;
inline constexpr uint8_t kSubReadId = 0x60;
inline constexpr uint8_t kSubAddressWrite = 0xA9;

// Byte 0 of a sequence report, which a unit sends unasked while it works.
inline constexpr uint8_t kSequenceReport = 0xFD;
// The unit's status for packet data that does not fit; an answer whose length
// does not match its header is judged alike.
inline constexpr uint8_t kPacketDataError = 0x20;

// Ticks a slot waits for the next answer of a running operation.
inline constexpr int32_t kAnswerTimeoutTicks = 500;

// Flash with 528-byte pages: 512 data and 16 spare bytes a page, eight pages
// to a 4 KB block; the host keeps the spare bytes of its 4096 pages apart.
inline constexpr uint32_t kPagedPageSize = 528;
inline constexpr uint32_t kPagedDataSize = 512;
inline constexpr uint32_t kPagedSpareSize = kPagedPageSize - kPagedDataSize;
inline constexpr uint32_t kPagedPagesPerBlock = 4096 / kPagedDataSize;
inline constexpr uint32_t kPagedSparePerKB = 1024 / kPagedDataSize * kPagedSpareSize;
inline constexpr uint32_t kPagedImagePages = 4096;

