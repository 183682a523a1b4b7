#pragma once
// What the port group does to the slots: a refresh and a new search take
// every unit away, each probe arms its slot, and a failing line takes the
// slot's unit. The window closes and opens the ports; these keep the slots'
// tables in step.
struct JobState;

// A refresh closes every port: no slot keeps a unit, and what ran is
// abandoned, not failed: no chip counts NG later.
void ForgetUnits(JobState& js);

// A new search closes every port first: every slot drops its unit, its
// streams, its raw round and its operation (an Auto cut off here counts no
// chip NG later); gauges disabled, empty and blue. A streamed read still
// running would otherwise take unit 1's probe answer for data.
void ClearSlotsForSearch(JobState& js);

// The probe is about to go to `slot`: no unit there until it answers, and
// the answer's time-out.
void ArmSlotProbe(JobState& js, int slot);

// The slot's line has failed (its port is closed): its unit is gone and its
// gauge disabled. Whatever ran on it (an armed operation, the paced program
// stream, the streamed read, a download round) ends at once as failed, the
// cause logged first: no answer can come any more. A lost Auto counts its
// chip NG.
void LoseSlotLine(JobState& js, int slot);

// A refresh and a search close every port: while any slot runs they would
// cut its chip off. Shows the refusal in a box through the view and returns
// true then; the caller changes nothing.
bool RefuseSearchWhileRunning(JobState& js);
