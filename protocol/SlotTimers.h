#pragma once
// What the window's two timers do, as engine routines: every 10 ms the
// time-outs of busy slots and of the streamed read are counted down and the
// clock-driven gauges step; every 170 ms the paced program stream hands each
// downloading slot its next raw 32 KB block.
#include <cstdint>

struct JobState;

// One count step of a time-out: subtracts 1 and is true only on the step
// from 1 to 0. A count at 0 or below goes on down and never fires; the
// lowest value stays where it is rather than wrap.
bool CountDown(int32_t& ticks);

// True while the 10 ms tick has work: some slot is busy or streams (the
// paced program stream, the streamed read). The window's timer runs only then.
bool TicksNeeded(const JobState& js);

// Tells the view that the 10 ms tick is needed. Every routine that arms a
// slot or starts a stream calls it.
void RequestTicks(JobState& js);

// The 10 ms tick: the streamed read's silence count, then for every busy
// slot its clock-driven gauge and its time-out ("Operation Time Out!"), and
// for every running program stream the watch on its write queue.
void TickSlotTimeouts(JobState& js);

// Starts the watch on a program stream's write queue (the unit has taken
// command 150): queued bytes that stand still for an answer's time end the
// stream as a time-out, and what is queued for it is dropped.
void WatchStreamQueue(JobState& js, int slot);

// The 170 ms tick: for every slot whose program stream runs, the next block
// while less than one block still waits in the port's write queue; once the
// last block has left the port, the step after programming.
void PaceDownloads(JobState& js);
