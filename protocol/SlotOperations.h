#pragma once
// The readiness of a slot (its start and end are in SlotLife.h), the
// operator's message for a unit's error code, the sequence reports (0xFD)
// that a unit sends while it programs a chip by itself, and the default data
// range of the chosen chip.
//
// Per-slot routines take the slot index (0..7) last; an index outside that
// range does nothing.
#include <cstdint>
#include <span>
#include <string>

#include "protocol/SlotLife.h"

struct JobState;

// True while the slot runs a stream with no operation armed: the paced
// program stream, or the streamed chip read on slot 0. Such a slot has
// SlotBusy 0 but is not free for a new command.
bool SlotStreaming(const JobState& js, int slot);

// The slot has a unit and nothing running: a command may start on it.
bool SlotReady(const JobState& js, int slot);

// The slot runs something that reads the image or the chip's parameters:
// an armed operation (busy), a stream (the paced program stream, the
// streamed chip read on slot 0) or a raw download round.
bool SlotRunning(const JobState& js, int slot);

// One more failed chip in the total: NgCount + 1, shown in status bar
// panel 3.
void CountNgTotal(JobState& js);

// DataLoaded 0, and a log line for the slot saying so: a read stopped
// part-way through the data buffer.
void MarkBufferNotLoaded(JobState& js, int slot);

// The build's text for a unit's error code (never 0 or 6, the good codes).
std::string ResultCodeText(int code);

// Shows ResultCodeText(code) in a modal box, then logs it for the slot.
// Callers are receive handlers, so the box is posted through IView::Post
// and opens after the handler has returned. A slot has at most one box on
// screen: a code that arrives while the slot's box is open or waiting is
// shown after it, and each text is logged when its box has closed.
void ShowResultCode(JobState& js, int code, int slot);

// Handles a sequence report the slot's unit sent (packet, decoded):
// logs the step, moves the gauge and, on completion, logs the chip's check
// value and the slot's counts. A completion counts the chip as OK or NG,
// per slot (SlotOkCount, SlotNgCount) and in the totals, only when the unit
// ran it by itself: while an operation of the host runs on the slot
// (SlotRunning), the host's result counts the chip and the report counts
// nothing. A bad check byte drops the report. Leaves SlotOp and SlotBusy
// alone.
void RunProgrammingSequence(JobState& js, std::span<const uint8_t> packet, int slot);

// DataStart 0, DataEnd and ChipEndAddr ChipSizeCopy - 1, DataSizeKB from the
// chip size. Returns false when ChipSizeCopy gives no range inside the data
// buffer (no chip chosen yet): the range is then the first byte only or is
// cut at the buffer's end, and the caller should refuse the load.
bool SetDefaultDataRange(JobState& js);
