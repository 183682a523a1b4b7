#pragma once
// The data buffer viewer: 512 bytes of DataBuffer a page, with page keys and
// a GO address.
#include <QDialog>
#include <cstdint>

#include "ui/DialogSupport.h"

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
struct JobState;

class TDataViewForm : public QDialog {
  Q_OBJECT
 public:
  static constexpr uint32_t kPageBytes = 512;

  explicit TDataViewForm(JobState& js, QWidget* parent = nullptr);

  JobState& js;
  // Address of the first byte shown.
  uint32_t DataViewOffset = 0;

  QPlainTextEdit* DataViewMemo;
  QLabel* Label1;
  QLineEdit* EditAddr;
  QPushButton* BitBtnGo;
  QPushButton* BitBtnPagUp;
  QPushButton* BitBtnPagDw;
  QPushButton* BitBtn3;

  MessageBoxFn MessageBoxHook;

  void ShowDataPage();
  void FormShow();
  void BitBtnPagUpClick();
  void BitBtnPagDwClick();
  void BitBtnGoClick();
  void FormKeyDown(int key, Qt::KeyboardModifiers shift);
  void BitBtn3Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // DataEnd, kept inside the buffer, and the start of the last page.
  uint32_t End() const;
  uint32_t LastPageStart() const;
};
