#pragma once
// The window side of the four option panels: after a chip change they show,
// hide and preset the main window's chip-dependent controls for the chip's
// class, after setting the class-wide job fields (catalogue/OptionPanels.h).
class QAbstractButton;
class QComboBox;
class QLineEdit;
class QWidget;
class TQZProgrammer;
class TRadioGroup;
struct JobState;

// The main window's controls that the panels touch.
struct OptionPanelControls {
  QWidget* TabChipSet = nullptr;     // tab pages, shown or hidden as tabs
  QWidget* TabSheetFlash = nullptr;
  QWidget* LabelWP = nullptr;
  QComboBox* ComBoxWP8 = nullptr;
  QComboBox* ComBoxWPF = nullptr;
  QAbstractButton* ChkBoxSRWD = nullptr;
  QAbstractButton* CheckBoxQE = nullptr;
  QAbstractButton* CheckBoxWRP = nullptr;
  QAbstractButton* ChkBoxNotBLK = nullptr;
  TRadioGroup* RadioGroupA61 = nullptr;
  QLineEdit* EditDevAdrX = nullptr;
  TRadioGroup* RadioGroupSpd = nullptr;
  QWidget* SpdBtnErase = nullptr;
  QWidget* SpdBtnBlkChk = nullptr;
  QWidget* GroupBoxCtrl = nullptr;
  QWidget* EnBlankChk = nullptr;
  QWidget* EnEraseChk = nullptr;
  QLineEdit* MCUNameEdit = nullptr;

  static OptionPanelControls Of(TQZProgrammer& window);
};

void SetupI2cEepromOptions(JobState& js, const OptionPanelControls& c);
void SetupMicrowireEepromOptions(JobState& js, const OptionPanelControls& c);
void SetupSpiEepromOptions(JobState& js, const OptionPanelControls& c);
void SetupSpiFlashOptions(JobState& js, const OptionPanelControls& c);

// The panel of the class of js.ChipFamily; the chip change calls it after
// its own settings.
void RunOptionPanel(JobState& js, const OptionPanelControls& c);

// A tab page shown or hidden as a tab of the page control holding it.
void SetTabShown(QWidget* page, bool shown);
bool IsTabShown(const QWidget* page);
