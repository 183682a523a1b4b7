#include "ui/DataViewForm.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <string>

#include "messages/Format.h"
#include "protocol/JobState.h"

TDataViewForm::TDataViewForm(JobState& state, QWidget* parent) : QDialog(parent), js(state) {
  setObjectName("DataViewForm");
  setWindowTitle("View Data Buffer Form");
  setFixedSize(620, 640);
  MessageBoxHook = [this](const std::string& text) { ShowInfoBox(this, text); };

  DataViewMemo = new QPlainTextEdit(this);
  DataViewMemo->setObjectName("DataViewMemo");
  DataViewMemo->setReadOnly(true);
  DataViewMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  DataViewMemo->setGeometry(8, 8, 604, 570);
  QFont font("SimSun");
  font.setPixelSize(16);
  font.setStyleHint(QFont::Monospace);
  font.setFixedPitch(true);
  DataViewMemo->setFont(font);
  DataViewMemo->setStyleSheet("color: blue;");

  Label1 = new QLabel("GOTO: ", this);
  Label1->setGeometry(8, 596, 44, 22);
  EditAddr = new QLineEdit("0x00000000", this);
  EditAddr->setObjectName("EditAddr");
  EditAddr->setGeometry(52, 594, 110, 24);
  BitBtnGo = new QPushButton("GO", this);
  BitBtnGo->setObjectName("BitBtnGo");
  BitBtnGo->setGeometry(168, 592, 60, 28);
  BitBtnPagUp = new QPushButton("Page Up", this);
  BitBtnPagUp->setObjectName("BitBtnPagUp");
  BitBtnPagUp->setGeometry(260, 592, 90, 28);
  BitBtnPagDw = new QPushButton("Page Down", this);
  BitBtnPagDw->setObjectName("BitBtnPagDw");
  BitBtnPagDw->setGeometry(356, 592, 90, 28);
  BitBtn3 = new QPushButton("OK", this);
  BitBtn3->setObjectName("BitBtn3");
  BitBtn3->setGeometry(520, 592, 90, 28);
  BitBtn3->setDefault(true);

  connect(BitBtnGo, &QPushButton::clicked, this, [this] { BitBtnGoClick(); });
  connect(BitBtnPagUp, &QPushButton::clicked, this, [this] { BitBtnPagUpClick(); });
  connect(BitBtnPagDw, &QPushButton::clicked, this, [this] { BitBtnPagDwClick(); });
  connect(BitBtn3, &QPushButton::clicked, this, [this] { BitBtn3Click(); });
  for (QObject* o : {static_cast<QObject*>(DataViewMemo), static_cast<QObject*>(BitBtnPagUp),
                     static_cast<QObject*>(BitBtnPagDw)})
    o->installEventFilter(this);
}

uint32_t TDataViewForm::End() const { return std::min(js.DataEnd, kDataBufferSize - 1); }

// A range shorter than a page starts its last page at 0.
uint32_t TDataViewForm::LastPageStart() const {
  uint32_t e = End();
  return e >= kPageBytes - 1 ? e - (kPageBytes - 1) : 0;
}

void TDataViewForm::ShowDataPage() {
  std::string text = "            0   1   2   3   4   5   6   7   8   9   A   B   C   D   E   F";
  const uint8_t* buf = js.DataBuffer.get();
  for (uint32_t i = 0; i < kPageBytes / 16; ++i) {
    uint64_t line = uint64_t{DataViewOffset} + 16 * i;
    text += '\n';
    text += msg::Fmt("0x%0.8x ", static_cast<uint32_t>(line));
    for (uint32_t k = 0; k < 16; ++k) {
      uint64_t at = line + k;
      // Bytes past the buffer's end are left blank.
      text += at < kDataBufferSize ? msg::Fmt(" %0.2x ", buf[at]) : std::string("    ");
    }
  }
  DataViewMemo->setPlainText(QString::fromStdString(text));
}

void TDataViewForm::FormShow() {
  DataViewOffset = 0;
  ShowDataPage();
}

void TDataViewForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TDataViewForm::BitBtnPagUpClick() {
  DataViewOffset = DataViewOffset > kPageBytes ? DataViewOffset - kPageBytes : 0;
  ShowDataPage();
}

void TDataViewForm::BitBtnPagDwClick() {
  int64_t limit = int64_t{End()} - kPageBytes;
  DataViewOffset = int64_t{DataViewOffset} < limit ? DataViewOffset + kPageBytes : LastPageStart();
  ShowDataPage();
}

void TDataViewForm::BitBtnGoClick() {
  auto value = TypedInteger(EditAddr->text(), MessageBoxHook);
  if (!value) return;
  uint32_t address = static_cast<uint32_t>(*value);  // a negative number counts as very large
  if (address > End()) address = End();
  DataViewOffset = address & ~uint32_t{15};
  ShowDataPage();
}

void TDataViewForm::FormKeyDown(int key, Qt::KeyboardModifiers) {
  switch (key) {
    case Qt::Key_PageUp:
    case Qt::Key_Up: BitBtnPagUpClick(); break;
    case Qt::Key_PageDown:
    case Qt::Key_Down: BitBtnPagDwClick(); break;
    case Qt::Key_Home:
      DataViewOffset = 0;
      ShowDataPage();
      break;
    case Qt::Key_End:
      DataViewOffset = LastPageStart();
      ShowDataPage();
      break;
    default: break;
  }
}

void TDataViewForm::BitBtn3Click() { accept(); }

bool TDataViewForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    FormKeyDown(key->key(), key->modifiers());
  }
  return QDialog::eventFilter(watched, event);  // the key goes on to the control
}

void TDataViewForm::keyPressEvent(QKeyEvent* event) {
  // Keys of the memo and the page buttons were handled by the filter already.
  QWidget* focus = focusWidget();
  if (focus != DataViewMemo && focus != BitBtnPagUp && focus != BitBtnPagDw)
    FormKeyDown(event->key(), event->modifiers());
  QDialog::keyPressEvent(event);
}
