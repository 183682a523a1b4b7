#pragma once
// One handler per operation for the answers of a connected unit. Each takes
// the answer's status and the slot; the answer itself lies decoded in the
// slot's packet area (TxPacket[slot]), its header already checked against its
// length by HandleSlotFrame. Every handler but the blank check's ends the
// operation as failed when the status is neither of the two good ones
// (kStatusOk, kStatusDone).
#include <cstddef>
#include <cstdint>

#include "protocol/CommandCodes.h"

struct JobState;

// Payload of the answer in the slot's packet area and its length (header
// bytes 6..7).
const uint8_t* AnswerPayload(const JobState& js, int slot);
size_t AnswerPayloadLength(const JobState& js, int slot);

// True when the answer carries at least `needed` payload bytes; otherwise
// logs how many it carries, ends the operation as failed and shows "Packet
// Data error", and returns false.
bool RequirePayload(JobState& js, size_t needed, int slot);

// The protocol's two good answers.
inline bool IsGoodStatus(uint8_t status) { return status == kStatusOk || status == kStatusDone; }

// Ends the slot's operation as failed and shows the code's text.
void FailWithCode(JobState& js, uint8_t code, int slot);

// Download (configuration packet, pages of 85, raw rounds of 89).
void HandleDownloadStart(JobState& js, uint8_t status, int slot);
void HandleDataPageAnswer(JobState& js, uint8_t status, int slot);
void HandleRawBlockAnswer(JobState& js, uint8_t status, int slot);

// Blank check, erase, program, verify, address write.
void HandleBlankCheckAnswer(JobState& js, uint8_t status, int slot);
void HandleEraseAnswer(JobState& js, uint8_t status, int slot);
void HandleProgramPageAnswer(JobState& js, uint8_t status, int slot);
void HandleProgramStreamStart(JobState& js, uint8_t status, int slot);
void HandleVerifyAnswer(JobState& js, uint8_t status, int slot);
void HandleAddressWriteAnswer(JobState& js, uint8_t status, int slot);

// The paced program stream has left the port: verify (Auto) or end well.
void StartVerifyAfterProgram(JobState& js, int slot);

// Reads: by blocks (155), streamed (154), the unit's stored image (57), the
// chip's identification (147/0x60).
void HandleReadBlockAnswer(JobState& js, uint8_t status, int slot);
void HandleReadStreamStart(JobState& js, uint8_t status, int slot);
void HandleReadDownloadedAnswer(JobState& js, uint8_t status, int slot);
void HandleReadIdAnswer(JobState& js, uint8_t status, int slot);
