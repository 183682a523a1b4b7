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

// The slot's line has failed: its unit is gone and its gauge disabled. An
// operation still armed keeps its time-out, which ends it; one whose unit
// goes on answering finishes.
void LoseSlotLine(JobState& js, int slot);
