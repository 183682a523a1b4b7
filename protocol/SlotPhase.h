#pragma once
// One slot's phase, derived from its flags (SlotConnected, SlotBusy, SlotOp,
// SlotDownloading, SlotRawPending, SlotAutoMode, SlotGaugeTick and, for slot
// 0, ReadStreaming), which only the transitions of SlotLife.h write. The
// readiness checks ask the phase instead of combining the flags each in its
// own way.
struct JobState;

enum class SlotPhase {
  Absent,     // no unit on the slot and nothing running
  Idle,       // a unit and nothing running: a command may start
  Busy,       // an operation armed (SlotBusy), its time-out running
  Raw,        // a raw download round left pending without its operation
  Sending,    // the paced program stream sends the image (SlotDownloading)
  Reading,    // the streamed chip read fills the data buffer (slot 0)
};

// The phase of `slot` (0..7); Absent for an index outside that range.
SlotPhase SlotPhaseOf(const JobState& js, int slot);

// Whether the slot's flags agree with each other: at most one stream, none
// beside an armed operation; an operation code while busy and none while
// streaming; a raw round, an Auto sequence and a time-driven gauge only
// inside what they belong to. Flags left behind by a slot whose unit has
// gone are allowed: its time-out or the next search clears them.
bool SlotFlagsConsistent(const JobState& js, int slot);
