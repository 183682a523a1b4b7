#pragma once
// The main window's chip button: opens the chip selection popup beside it.
class QWidget;
class TChipSeltForm;
struct JobState;

// `window` is the main window holding Panel1, GroupBox2 and DevButton.
void DevButtonClick(JobState& js, QWidget& window, TChipSeltForm& form);
