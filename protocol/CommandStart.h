#pragma once
// The operation commands as the operator gives them. The window reads its
// controls into ControlStates and calls one of these; each checks the
// command's preconditions in order, refuses with a box or a log line and
// changes nothing when one fails, collects the settings into the job state,
// and starts the slots, each with its own sealed copy of what it sends.
#include <functional>

#include "protocol/OperationStart.h"

struct JobState;
struct ControlStates;

// Download, Auto, Blank check, Erase, Program or Verify on every ready slot.
// Auto and Program with "Enable Online S/N" give every slot its own number.
// Returns how many slots started.
int RunSlotCommand(JobState& js, SlotCommand command, const ControlStates& controls);

// The chip read on slot 1. For the families that ask, `askReadLength` shows
// the read-length dialog (it sets ReadLength); the read goes ahead however
// the dialog is closed. False when the read did not start.
bool RunChipRead(JobState& js, const ControlStates& controls, const std::function<void()>& askReadLength);

// The chip's identification and status on slot 1; `did`: its DID data.
bool RunReadId(JobState& js, const ControlStates& controls, bool did);

// The image stored in the unit of slot 1, back into the data buffer.
bool RunReadDownloaded(JobState& js);

// Data to one address through slot 1: `askData` shows the write-to-address
// dialog and returns whether it gave data to write.
bool RunAddressWrite(JobState& js, const ControlStates& controls, const std::function<bool()>& askData);
