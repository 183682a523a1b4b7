#pragma once
// The main window on the offscreen platform, not shown, with its log bound
// to the job and its message boxes recorded instead of shown.
#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "protocol/JobState.h"
#include "ui/MainWindow.h"

inline void EnsureQtApp() {
  if (QApplication::instance()) return;
  static int argc = 1;
  static char name[] = "control_settings_tests";
  static char* argv[] = {name, nullptr};
  new QApplication(argc, argv);  // lives until the process ends
}

struct SettingsWindow {
  SettingsWindow() {
    EnsureQtApp();
    js = std::make_unique<JobState>();
    window = std::make_unique<TQZProgrammer>(*js);
    js->LogMemo = window.get();
    window->MessageBoxHook = [this](const std::string& text) { boxes.push_back(text); };
  }

  // The log's lines without their time stamp.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> out;
    for (std::string line : window->LogLines()) {
      if (line.rfind("> ", 0) == 0 && line.size() > 11 && line[4] == ':') line = line.substr(line.find(' ', 2) + 1);
      out.push_back(line);
    }
    return out;
  }

  std::unique_ptr<JobState> js;
  std::unique_ptr<TQZProgrammer> window;
  std::vector<std::string> boxes;
};
