#pragma once
// The answers of a connected unit: each decoded packet of a slot is checked
// and handed to the handler of the slot's running operation.
#include <cstdint>
#include <span>

struct JobState;

// Acts on a packet decoded from the slot's line (in RxPacket[slot]):
// sequence reports go to RunProgrammingSequence whatever the slot does; an
// error status, a bad check value or a header whose payload length is not
// the packet's ends the running operation and shows its code; a good answer
// goes to the handler of SlotOp[slot] with its payload.
void HandleSlotAnswer(JobState& js, std::span<const uint8_t> packet, int slot);
