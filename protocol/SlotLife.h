#pragma once
// A slot's life as a few named transitions. They are the only writers of the
// slot's flags (SlotConnected, SlotBusy, SlotOp, SlotDownloading,
// SlotRawPending, SlotAutoMode, SlotGaugeTick and, for slot 0,
// ReadStreaming) besides the job state's reset (InitSlotTables,
// InitChipParams); SlotPhase.h reads them as one phase.
//
//   probe armed ── UnitGone ──▶ no unit ── UnitFound ──▶ Idle
//   Idle ── BeginOperation + StartSlotOperation ──▶ Busy
//   Busy ── NextOperationStep ──▶ Busy (the same operation, its next command)
//   Busy ── EnterRawRound / LeaveRawRound ──▶ Busy (a download's first raw round)
//   Busy ── EnterProgramStream / EnterReadStream ──▶ Sending / Reading
//   Sending / Reading ── LeaveProgramStream / LeaveReadStream ──▶ (not running)
//   any ── EndSlotOperation ──▶ Idle, or no unit when it has gone
//   any ── DropSlotUnit ──▶ no unit, nothing armed (refresh, search)
//
// Per-slot transitions take the slot index (0..7) last; an index outside
// that range does nothing.
#include <cstdint>
#include <optional>

#include "protocol/SlotOpCodes.h"

struct JobState;

// How a new operation runs. A mode left unset stays as it was (a slot where
// a command may start has neither).
struct NewOperation {
  SlotOpCode op = SlotOpCode::Idle;
  std::optional<bool> gaugeByTicks;  // its gauge moves with the time-out's ticks too
  std::optional<bool> autoRun;       // a step of Auto: erase, program, verify in a row
};

// Starts an operation: its code and how it runs; busy, with no stream and
// no raw round. StartSlotOperation arms its time-out and gauge.
void BeginOperation(JobState& js, const NewOperation& operation, int slot);

// Arms a slot: busy, kilobyte position 0, time-out of `ticks` 10 ms ticks.
// With totalKB > 0 the gauge follows the blocks (maximum totalKB); with 0 it
// follows the time (maximum ticks) and SlotBlockTotal becomes DataSizeKB.
// Starts an operation after BeginOperation, or the next step of one.
void StartSlotOperation(JobState& js, int32_t ticks, uint32_t totalKB, int slot);

// The running operation goes on with another of its commands (a download
// with its pages or raw rounds, Auto from the erase to the program and on
// to the verify); how it runs stays.
void NextOperationStep(JobState& js, SlotOpCode op, int slot);

// A download's first raw round: the unit has yet to accept command 89.
void EnterRawRound(JobState& js, int slot);
void LeaveRawRound(JobState& js, int slot);

// The operation gives way to the paced program stream: no operation is
// armed while the image goes out, yet the slot runs (Sending). An Auto
// stays an Auto, for the verify behind the stream.
void EnterProgramStream(JobState& js, int slot);
void LeaveProgramStream(JobState& js, int slot);

// Slot 0's operation gives way to the streamed chip read (Reading).
void EnterReadStream(JobState& js);
void LeaveReadStream(JobState& js);

// Back to idle; full gauge, blue on success, red on failure; logs
// "Operation Success!" or "Operation Failed!". A failed read into the data
// buffer (blocks or the unit's stored image) that had stored part of its
// data marks the buffer as not loaded. Ends the slot's Auto sequence too:
// an Auto that fails at any step counts its chip NG here, once, in the
// total (NgCount) only.
void EndSlotOperation(JobState& js, bool failed, int slot);

// A unit answered the probe: the slot has a unit and nothing running.
void UnitFound(JobState& js, int slot);

// The slot has no unit (a probe is about to go out, none answered, its
// line has gone); what runs on it is left alone.
void UnitGone(JobState& js, int slot);

// The slot has no unit and no operation any more; an Auto on it is dropped
// without counting its chip.
void DropSlotUnit(JobState& js, int slot);
