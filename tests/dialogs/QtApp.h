#pragma once
// One QApplication for the widget tests (offscreen platform). It lives until
// the process ends: destroying it among the static destructors crashes.
#include <QApplication>

inline void EnsureQtApp() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "dialogs_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);
}
