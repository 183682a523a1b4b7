#include "ui/Application.h"

#include <QApplication>
#include <QMainWindow>

int RunApplication(int argc, char** argv) {
  QApplication app(argc, argv);
  app.setApplicationDisplayName("KorvanQZ-Plus  Flash Programmer");
  QMainWindow window;
  window.setObjectName("QZProgrammer");
  window.setWindowTitle("KorvanQZ-Plus Flash Programmer");
  window.show();
  return app.exec();
}
