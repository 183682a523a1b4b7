#pragma once
// The program entry: sets up the application, creates the windows and runs
// the message loop until the main window closes.
#include <QApplication>
#include <QPointer>

class TQZProgrammer;

// The application object. An error that an event handler leaves uncaught is
// shown in an error box and ends only the action in progress.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

  // The window whose error box shows such an error; without one a plain box
  // does.
  void SetMainWindow(TQZProgrammer* window);

 private:
  QPointer<TQZProgrammer> mainWindow_;
};

int RunApplication(int argc, char** argv);
