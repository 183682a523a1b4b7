#include "ui/Application.h"

#include <QMessageBox>
#include <exception>
#include <memory>

#include "protocol/JobState.h"
#include "ui/ChipSeltForm.h"
#include "ui/MainWindow.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {}

void TApplication::SetMainWindow(TQZProgrammer* window) { mainWindow_ = window; }

bool TApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    if (mainWindow_)
      mainWindow_->ShowErrorMessage(e.what());
    else
      QMessageBox::critical(nullptr, applicationName(), QString::fromUtf8(e.what()));
  }
  return false;
}

int RunApplication(int argc, char** argv) {
  TApplication app(argc, argv);
  // The application's own title (the display name would be appended to
  // every window title on some platforms, so it stays unset).
  app.setApplicationName("KorvanQZ-Plus  Flash Programmer");

  // The job state outlives every window.
  auto js = std::make_unique<JobState>();

  // The main window first; the dialogs follow it in their order (about,
  // read length, write to address, log configuration, chip selection,
  // serial number, data view); the main window keeps its own six.
  auto mainWindow = std::make_unique<TQZProgrammer>(*js);
  app.SetMainWindow(mainWindow.get());
  mainWindow->AboutForm();
  mainWindow->RdSetForm();
  mainWindow->SetAdrForm();
  mainWindow->LogCfgForm();
  auto chipSeltForm = std::make_unique<TChipSeltForm>(*js, *mainWindow);
  mainWindow->SetChipForm(chipSeltForm.get());
  mainWindow->ConfigSNForm();
  mainWindow->DataViewForm();

  mainWindow->show();
  return app.exec();
}
