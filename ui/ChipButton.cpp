#include "ui/ChipButton.h"

#include <QFrame>
#include <QGroupBox>
#include <QToolButton>

#include "protocol/JobState.h"
#include "protocol/OperationStart.h"
#include "ui/ChipSeltForm.h"
#include "ui/MainWindow.h"

void OpenChipPopup(JobState& js, TQZProgrammer& window, TChipSeltForm& form) {
  // The popup itself clears chip flags that every packet carries.
  if (RefuseImageOrChipChange(js)) return;
  js.Vcc18V = 0;
  window.Panel1->setFocus();
  const QWidget* button = window.DevButton;
  form.SetChipSelPopupPos(button->x() + window.x() + button->width() + 15,
                          window.GroupBox2->y() + window.y() + 120);
  // Only a real choice renews the catalogue size: after a load has trimmed
  // ChipSize to the data, copying it on a dismissed popup would shrink every
  // later load and read.
  if (form.ShowModalForChoice()) js.ChipSizeCopy = js.ChipSize;
}

void TQZProgrammer::DevButtonClick() {
  if (chipForm_ != nullptr) OpenChipPopup(js, *this, *chipForm_);
}
