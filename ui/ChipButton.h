#pragma once
// The main window's chip button: opens the chip selection popup beside it.
class TQZProgrammer;
class TChipSeltForm;
struct JobState;

// What TQZProgrammer::DevButtonClick does, with the form given: refused in a
// box while a slot runs.
void OpenChipPopup(JobState& js, TQZProgrammer& window, TChipSeltForm& form);
