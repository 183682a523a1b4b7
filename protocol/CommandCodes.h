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

// Step codes of a sequence report (its byte 1). Programming and verification
// each come as two steps: one that counts its progress in the report and one
// that does not.
inline constexpr uint8_t kStepInitInterface = 0x10;
inline constexpr uint8_t kStepBlankCheck = 0x20;
inline constexpr uint8_t kStepErase = 0x30;
inline constexpr uint8_t kStepFlashProgramCounted = 0x40;  // progress A of B
inline constexpr uint8_t kStepFlashProgram = 0x48;
inline constexpr uint8_t kStepEepromProgram = 0x50;
inline constexpr uint8_t kStepFlashVerify = 0x70;
inline constexpr uint8_t kStepFlashVerifyCounted = 0x78;  // position B x 65536 + A
inline constexpr uint8_t kStepEepromVerify = 0x80;
inline constexpr uint8_t kStepConfigProgram = 0xA0;
inline constexpr uint8_t kStepDoneCrc16 = 0xF0;  // a chip done, with its 16-bit check values
inline constexpr uint8_t kStepDoneCrc32 = 0xF2;  // a chip done, with its 32-bit check value

// Unit statuses. 0 and kStatusDone are the protocol's two good answers (also
// the status of a completion report); every other value is an error code.
inline constexpr uint8_t kStatusOk = 0;
inline constexpr uint8_t kStatusDone = 6;
// A blank check that found data: the check itself succeeded.
inline constexpr uint8_t kStatusNotBlank = 21;
// The unit's status for packet data that does not fit; an answer whose length
// does not match its header is judged alike.
inline constexpr uint8_t kPacketDataError = 0x20;
// Data that does not verify; also the host's own verdict on a raw download
// round whose byte sum the unit reports back wrong.
inline constexpr uint8_t kStatusDataVerifyError = 0x31;

// Ticks (10 ms) a slot waits for the next answer of a running operation.
inline constexpr int32_t kAnswerTimeoutTicks = 500;
// Ticks the start of a raw download (kCmdRawDownload) waits for the unit's
// first answer; each chunk received afterwards arms kReceiveTimeoutTicks.
inline constexpr int32_t kRawDownloadTimeoutTicks = 1000;
// A streamed read ends on silence: ticks until its first bytes, then after
// any bytes.
inline constexpr int32_t kStreamFirstBytesTicks = 50;
inline constexpr int32_t kStreamSilenceTicks = 100;

// Ticks a slot waits after each chunk its unit sends, by slot. The units on
// the last three ports get one, two and three seconds more: the allowance
// the units have always been run with, kept so that a unit there that
// answers late is not failed where it passes today.
inline constexpr std::array<int32_t, 8> kReceiveTimeoutTicks = {
    kAnswerTimeoutTicks,       kAnswerTimeoutTicks,       kAnswerTimeoutTicks,
    kAnswerTimeoutTicks,       kAnswerTimeoutTicks,       kAnswerTimeoutTicks + 100,
    kAnswerTimeoutTicks + 200, kAnswerTimeoutTicks + 300};

// Flash with 528-byte pages: 512 data and 16 spare bytes a page, eight pages
// to a 4 KB block; the host keeps the spare bytes of its 4096 pages apart.
inline constexpr uint32_t kPagedPageSize = 528;
inline constexpr uint32_t kPagedDataSize = 512;
inline constexpr uint32_t kPagedSpareSize = kPagedPageSize - kPagedDataSize;
inline constexpr uint32_t kPagedPagesPerBlock = 4096 / kPagedDataSize;
inline constexpr uint32_t kPagedSparePerKB = 1024 / kPagedDataSize * kPagedSpareSize;
inline constexpr uint32_t kPagedImagePages = 4096;

