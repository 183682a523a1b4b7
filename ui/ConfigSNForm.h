#pragma once
// The fixed serial-number data dialog: a text written into DataBuffer at a
// typed address.
#include <QDialog>

#include "ui/DialogSupport.h"

class QLabel;
class QLineEdit;
class QPushButton;
struct JobState;

class TConfigSNForm : public QDialog {
  Q_OBJECT
 public:
  explicit TConfigSNForm(JobState& js, QWidget* parent = nullptr);

  JobState& js;
  QLabel* Label1;
  QLineEdit* AddrEditSN;
  QLabel* Label2;
  QLineEdit* EditDataSN;
  QPushButton* BitBtnCancel;
  QPushButton* BitBtnOK;

  MessageBoxFn MessageBoxHook;

  void BitBtnOKClick();
  // Stores the text at the typed address and shows the range again; a text
  // that would not all lie inside the chip (or, with no chip, the buffer),
  // or any text while a slot runs, is refused. True when it was written.
  bool WriteFixedSNData();
};
