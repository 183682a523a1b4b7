#include "ui/ChipButton.h"

#include <QWidget>
#include <stdexcept>

#include "protocol/JobState.h"
#include "ui/ChipSeltForm.h"

namespace {

QWidget* Need(QWidget& window, const char* name) {
  auto* w = window.findChild<QWidget*>(QString::fromLatin1(name));
  if (w == nullptr) throw std::logic_error(std::string("main window lacks control ") + name);
  return w;
}

}  // namespace

void DevButtonClick(JobState& js, QWidget& window, TChipSeltForm& form) {
  js.Vcc18V = 0;
  Need(window, "Panel1")->setFocus();
  const QWidget* button = Need(window, "DevButton");
  const QWidget* group = Need(window, "GroupBox2");
  form.SetChipSelPopupPos(button->x() + window.x() + button->width() + 15,
                          group->y() + window.y() + 120);
  // Only a real choice renews the catalogue size: after a load has trimmed
  // ChipSize to the data, copying it on a dismissed popup would shrink every
  // later load and read.
  if (form.ShowModalForChoice()) js.ChipSizeCopy = js.ChipSize;
}
