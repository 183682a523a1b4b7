#pragma once
// The write-to-address dialog: an address and a text whose bytes the Address
// Write command sends.
#include <QDialog>

#include "ui/DialogSupport.h"

class QLabel;
class QLineEdit;
class QPushButton;
struct JobState;

class TSetAdrForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSetAdrForm(JobState& js, QWidget* parent = nullptr);

  JobState& js;
  QLabel* Label1;
  QLineEdit* EditAdr;
  QLabel* Label2;
  QLineEdit* EditData;
  QPushButton* BitBtn1;

  MessageBoxFn MessageBoxHook;

  // Takes the dialog's values into AddrWriteAddr, AddrWriteLen and
  // AddrWriteData; false when they were refused (nothing changed then).
  bool BitBtn1Click();

  // Shows the dialog modally. True only when it was closed through OK with
  // valid values and data to write: the only case in which the Address Write
  // may start. A cancelled or refused dialog leaves the job state as it was.
  bool Execute();

 private:
  bool accepted_ = false;
};
