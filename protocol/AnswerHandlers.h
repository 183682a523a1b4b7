#pragma once
// One handler per operation for the answers of a connected unit. Each takes
// the answer's status and the slot, and those that read the answer its
// payload: a view into the slot's receive packet area (RxPacket[slot]), its
// length already checked against the header by HandleSlotAnswer. Every
// handler but the blank check's ends the operation as failed when the status
// is neither of the two good ones
// (kStatusOk, kStatusDone).
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/CommandCodes.h"

struct JobState;

// True when the answer carries at least `needed` payload bytes; otherwise
// logs how many it carries, ends the operation as failed and shows "Packet
// Data error", and returns false.
bool RequirePayload(JobState& js, std::span<const uint8_t> payload, size_t needed, int slot);

// The protocol's two good answers.
inline bool IsGoodStatus(uint8_t status) { return status == kStatusOk || status == kStatusDone; }

// Ends the slot's operation as failed and shows the code's text.
void FailWithCode(JobState& js, uint8_t code, int slot);

// Download (configuration packet, pages of 85, raw rounds of 89).
void HandleDownloadStart(JobState& js, uint8_t status, int slot);
void HandleDataPageAnswer(JobState& js, uint8_t status, int slot);
void HandleRawBlockAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload, int slot);

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
void HandleReadBlockAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload, int slot);
void HandleReadStreamStart(JobState& js, uint8_t status, int slot);
void HandleReadDownloadedAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload,
                                int slot);
void HandleReadIdAnswer(JobState& js, uint8_t status, std::span<const uint8_t> payload, int slot);
