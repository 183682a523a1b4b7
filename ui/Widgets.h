#pragma once
// Small helpers that create a named control at a fixed position, the way the
// window definition places them.
#include <QColor>
#include <QString>
#include <QStyle>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QToolButton;
class QWidget;

namespace widgets {

QLabel* Label(QWidget* parent, const char* name, const QString& text, int x, int y, int w = 0,
              int h = 17);
QCheckBox* CheckBox(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                    int h = 17);
// A line edit; maxLength limits what the operator types (0: no limit), not
// the texts the program sets.
QLineEdit* Edit(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h,
                int maxLength = 0);
QPushButton* Button(QWidget* parent, const char* name, const QString& text, int x, int y, int w,
                    int h);
// A tool-bar button with a frame and the platform style's standard glyph.
QToolButton* SpeedButton(QWidget* parent, const char* name, const QString& text,
                         const QString& hint, QStyle::StandardPixmap glyph, int x, int y, int w,
                         int h);
// A spin edit stepping by 10.
QSpinBox* SpinEdit(QWidget* parent, const char* name, int min, int max, int value, int x, int y,
                   int w, int h = 22);
QComboBox* Combo(QWidget* parent, const char* name, int x, int y, int w, int h = 22);

// At most `limit` characters can be typed into edit; a longer text set by the
// program (a project's serial number, say) is kept whole.
void SetTypingLimit(QLineEdit* edit, int limit);
// That limit, or 0 when the edit has none.
int TypingLimitOf(const QLineEdit* edit);

// A text colour for a label or check box.
void SetTextColor(QWidget* widget, const QColor& color);

}  // namespace widgets
