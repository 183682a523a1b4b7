#pragma once
// The read-length dialog: read as many bytes as the chip holds, or as the
// loaded (trimmed) data range.
#include <QDialog>

class QPushButton;
class QRadioButton;
struct JobState;

class TRdSetForm : public QDialog {
  Q_OBJECT
 public:
  explicit TRdSetForm(JobState& js, QWidget* parent = nullptr);

  JobState& js;
  QRadioButton* RadioBtnRCP;
  QRadioButton* RadioBtnRFIL;
  QPushButton* BitBtn1;

  void FormShow();
  void BitBtn1Click();

 protected:
  void showEvent(QShowEvent* event) override;
};
