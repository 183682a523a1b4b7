#pragma once
// The answers of a connected unit: each complete frame of a slot is decoded,
// checked and handed to the handler of the slot's running operation.
#include <cstddef>
#include <cstdint>

struct JobState;

// Decodes the frame held in SlotFrame[slot] (frameLength bytes, reduced by
// what was consumed) into the slot's packet area and acts on it: sequence
// reports go to RunProgrammingSequence whatever the slot does; an error status
// ends the running operation and shows its code; a good answer goes to the
// handler of SlotOp[slot]. Returns the decoding result (0 when handled).
uint8_t HandleSlotFrame(JobState& js, size_t& frameLength, int slot);
