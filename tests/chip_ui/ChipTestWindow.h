#pragma once
// The main window with the chip selection form, so the popup and the
// panels can be driven by real choices.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <memory>

#include "protocol/JobState.h"
#include "ui/ChipOptionPanels.h"
#include "ui/ChipSeltForm.h"
#include "ui/MainWindow.h"
#include "ui/RadioGroup.h"

inline QApplication& TestApp() {
  static int argc = 1;
  static char name[] = "chip_ui_tests";
  static char* argv[] = {name, nullptr};
  // Never destroyed: tearing it down among the static destructors crashes.
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

struct ChipTestWindow {
  QApplication& app = TestApp();  // before any widget
  std::unique_ptr<JobState> js = std::make_unique<JobState>();
  std::unique_ptr<TQZProgrammer> main = std::make_unique<TQZProgrammer>(*js);
  TQZProgrammer& window = *main;
  std::unique_ptr<TChipSeltForm> form =
      std::make_unique<TChipSeltForm>(*js, *main);
  OptionPanelControls controls = OptionPanelControls::Of(*main);
  int chipChanges = 0;

  ChipTestWindow() {
    main->SetChipForm(form.get());
    // Counts the chip changes: the window runs one for each new name shown.
    QObject::connect(main->MCUNameEdit, &QLineEdit::textChanged, [this] { ++chipChanges; });
  }

  // A choice from the popup, as the operator makes it.
  void Choose(std::string_view caption) {
    form->show();
    QAction* action = form->ActionFor(caption);
    if (action != nullptr) action->trigger();
    form->hide();
  }

  template <typename T>
  T* Find(const char* name) { return window.findChild<T*>(name); }
  bool Hidden(const char* name) { return Find<QWidget>(name)->isHidden(); }
};
