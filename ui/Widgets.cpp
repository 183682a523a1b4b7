#include "ui/Widgets.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSpinBox>
#include <QToolButton>
#include <QValidator>

namespace widgets {

namespace {

// Refuses typing that would make the text longer than the limit, while a
// text that the program set longer stays whole and can still be shortened.
class TypingLimit : public QValidator {
 public:
  TypingLimit(QLineEdit* edit, int limit) : QValidator(edit), edit_(edit), limit_(limit) {}
  int Limit() const { return limit_; }
  State validate(QString& input, int&) const override {
    return input.size() <= limit_ || input.size() < edit_->text().size() ? Acceptable : Invalid;
  }

 private:
  QLineEdit* edit_;
  int limit_;
};

template <typename W>
W* Place(W* w, const char* name, int x, int y, int width, int height) {
  w->setObjectName(name);
  if (width <= 0) width = w->sizeHint().width();
  w->setGeometry(x, y, width, height);
  return w;
}

}  // namespace

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h) {
  return Place(new QLabel(text, parent), name, x, y, w, h);
}

QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                    int h) {
  return Place(new QCheckBox(text, parent), name, x, y, w, h);
}

QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h,
                int maxLength) {
  auto* edit = new QLineEdit(parent);
  if (maxLength > 0) SetTypingLimit(edit, maxLength);
  edit->setText(text);
  return Place(edit, name, x, y, w, h);
}

QPushButton* Button(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                    int h) {
  return Place(new QPushButton(text, parent), name, x, y, w, h);
}

QToolButton* SpeedButton(QWidget* parent, const char* name, const QString& text,
                         const QString& hint, QStyle::StandardPixmap glyph, int x, int y, int w,
                         int h) {
  auto* button = new QToolButton(parent);
  button->setText(text);
  button->setToolTip(hint);
  // Framed, so that it reads as a button and not as a label.
  button->setAutoRaise(false);
  button->setIcon(parent->style()->standardIcon(glyph, nullptr, button));
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  return Place(button, name, x, y, w, h);
}

QSpinBox* SpinEdit(QWidget* parent, const char* name, int min, int max, int value, int x, int y,
                   int w, int h) {
  auto* spin = new QSpinBox(parent);
  spin->setRange(min, max);
  spin->setSingleStep(10);
  spin->setValue(value);
  return Place(spin, name, x, y, w, h);
}

QComboBox* Combo(QWidget* parent, const char* name, int x, int y, int w, int h) {
  return Place(new QComboBox(parent), name, x, y, w, h);
}

void SetTypingLimit(QLineEdit* edit, int limit) { edit->setValidator(new TypingLimit(edit, limit)); }

int TypingLimitOf(const QLineEdit* edit) {
  const auto* limit = dynamic_cast<const TypingLimit*>(edit->validator());
  return limit ? limit->Limit() : 0;
}

void SetTextColor(QWidget* widget, const QColor& color) {
  QPalette p = widget->palette();
  p.setColor(QPalette::WindowText, color);
  p.setColor(QPalette::Text, color);
  p.setColor(QPalette::ButtonText, color);
  widget->setPalette(p);
}

}  // namespace widgets
