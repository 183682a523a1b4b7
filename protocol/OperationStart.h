#pragma once
// The start of each operation command: which slots take part, what each
// slot is armed with, its log line and its first command. Everything after
// the first command belongs to the answer handling and the timers. The
// window's handlers check their preconditions and call these.
#include <cstdint>
#include <optional>
#include <string>

#include "protocol/SlotOpCodes.h"

struct JobState;

// The erase's time-out: EraseTime x 5 ticks, or 500 for a chip whose entry
// gives no erase time (a time-out of 0 would never fire).
int32_t EraseTimeoutTicks(const JobState& js);

// Seals the slot's settings, arms it for the command and sends its first
// command. `autoErase` (the "Erase" box) makes Auto on a flash chip begin
// with the erase; `serialNumber` is the slot's own online serial number.
void StartSlotCommand(JobState& js, SlotCommand command, bool autoErase, int slot,
                      std::optional<uint32_t> serialNumber = std::nullopt);

// The command on every ready slot, slot 1 first. Returns how many started;
// none logs "Please connect device!!" (Download stays silent). With
// `onlineSerial` the slots get SNValue, then one gain more each, and SNValue
// moves past the last number handed out.
int StartOnReadySlots(JobState& js, SlotCommand command, bool autoErase, bool onlineSerial = false);

// A slot is sending the data buffer to its unit: a download, a program by
// pages or by stream, or an Auto erase that programs next. The buffer must
// not change under it.
bool DataBufferSending(const JobState& js);
// Slot 1 is reading a chip or the unit's stored image into the data buffer:
// nothing may be sent from the buffer meanwhile.
bool DataBufferFilling(const JobState& js);

// Whether the image in DataBuffer (with its range and checksums) and the
// chosen chip may change now. Every slot sends from its own sealed copy of
// the settings, so only a slot that still has image data to send (a
// download, pages or a stream still to go, an Auto before its pages) or a
// read filling the buffer stands in the way; a verify, blank check, erase or
// ID read runs on. Every writer asks first — data file and project loads,
// the chip choice, serial numbers written into the image, chip reads.
bool ImageAndChipMayChange(const JobState& js);

// The box text that refuses sending the data buffer while a read fills it;
// empty when it may be sent.
std::string DataBufferSendRefusal(const JobState& js);
// A save writes what the data buffer holds: while a read fills it, that is
// part chip, part earlier image. Shows the same refusal in a box through the
// view and returns true then; the caller writes nothing.
bool RefuseSaveWhileBufferFills(JobState& js);
// The box text that refuses a change of the image or the chip
// (ImageAndChipMayChange): it names the read or the sending that stands in
// the way. Empty when they may change.
std::string ImageAndChipChangeRefusal(const JobState& js);
// Asks ImageAndChipMayChange; when they may not change, shows the refusal in a box
// through the view and returns true. The caller then changes nothing.
bool RefuseImageOrChipChange(JobState& js);

// Kilobytes of a read of `bytes`, a started kilobyte counting whole.
uint32_t KilobytesRoundedUp(uint32_t bytes);
// Families from 0x20 on read the whole chip: sets ReadLength and returns the
// kilobytes (1 for a chip under 1 KB).
uint32_t WholeChipReadKB(JobState& js);

// The chip read on slot 1 over totalKB kilobytes, by blocks or as a stream.
void StartChipRead(JobState& js, uint32_t totalKB);
// The chip's identification and status on slot 1; `did`: its DID data.
void StartReadId(JobState& js, bool did);
// The image stored in the unit of slot 1, back into the data buffer.
void StartReadDownloaded(JobState& js);
// AddrWriteData at AddrWriteAddr through slot 1. False when the data were
// refused (the slot is left idle then).
bool StartAddressWrite(JobState& js);

// The off-line monitor command to every slot that runs nothing; a running
// slot is logged as skipped.
void SendOffLineMonitorToAll(JobState& js);

// The firmware upgrade of every connected idle slot; a busy slot, and a
// counted slot whose unit is gone, are logged as skipped. Returns how many
// started.
int UpgradeReadySlots(JobState& js);
