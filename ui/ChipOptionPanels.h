#pragma once
// The window side of the four option panels: after a chip change they show,
// hide and preset the main window's chip-dependent controls for the chip's
// class, after setting the class-wide job fields (catalogue/OptionPanels.h).
#include <QString>

class QAbstractButton;
class QComboBox;
class QLineEdit;
class QWidget;
struct JobState;

// The main window's controls that the panels touch, found by object name.
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
  QWidget* RadioGroupA61 = nullptr;  // radio groups: their radio buttons in item order
  QLineEdit* EditDevAdrX = nullptr;
  QWidget* RadioGroupSpd = nullptr;
  QWidget* SpdBtnErase = nullptr;
  QWidget* SpdBtnBlkChk = nullptr;
  QWidget* GroupBoxCtrl = nullptr;
  QWidget* EnBlankChk = nullptr;
  QWidget* EnEraseChk = nullptr;
  QLineEdit* MCUNameEdit = nullptr;

  // Every pointer is set; a missing control is a programming error (throws).
  static OptionPanelControls FindIn(QWidget& window);
};

void SetupI2cEepromOptions(JobState& js, const OptionPanelControls& c);
void SetupMicrowireEepromOptions(JobState& js, const OptionPanelControls& c);
void SetupSpiEepromOptions(JobState& js, const OptionPanelControls& c);
void SetupSpiFlashOptions(JobState& js, const OptionPanelControls& c);

// The panel of the class of js.ChipFamily; the chip change calls it last.
void RunOptionPanel(JobState& js, const OptionPanelControls& c);

// Radio-group and tab helpers shared with the tests.
void SelectRadioItem(QWidget* radioGroup, int index);
int SelectedRadioItem(const QWidget* radioGroup);
void SetTabShown(QWidget* page, bool shown);
bool IsTabShown(const QWidget* page);
