#pragma once
// Shared set-up of the window tests: one application object for the whole
// program, a scratch working folder per test, and a main window whose modal
// boxes are recorded instead of shown.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "protocol/JobState.h"
#include "ui/MainWindow.h"

class QtApplicationEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    static int argc = 1;
    static char name[] = "ui_tests";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

inline const auto* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

// A main window on `js` whose modal boxes are recorded in `boxes` and which
// sees none of the machine's serial ports (its folders under `dir` do not
// exist). Not yet shown.
inline std::unique_ptr<TQZProgrammer> RecordingWindow(JobState& js, const std::filesystem::path& dir,
                                                      std::vector<std::string>& boxes) {
  auto w = std::make_unique<TQZProgrammer>(js);
  w->MessageBoxHook = [&boxes](const std::string& text) { boxes.push_back(text); };
  w->PortSource.SysRoot = (dir / "no-sys").string();
  w->PortSource.DevRoot = (dir / "no-dev").string();
  w->PortSource.CanOpen = [](const std::string&) { return false; };
  return w;
}

// The window's log lines without their "> hh:mm:ss " stamp (tests run in the
// C locale, whose long time has that form).
inline std::vector<std::string> LogTextsOf(const TQZProgrammer& w) {
  static const std::regex kStamp("^> [0-9]{2}:[0-9]{2}:[0-9]{2} ");
  std::vector<std::string> out;
  for (const std::string& line : w.LogLines())
    out.push_back(std::regex_replace(line, kStamp, "", std::regex_constants::format_first_only));
  return out;
}

// Runs the test inside a fresh temporary folder as working folder.
class ScratchFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string pattern = (std::filesystem::temp_directory_path() / "korvan_ui_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    dir_ = std::filesystem::canonical(pattern);
    std::filesystem::current_path(dir_);
  }
  void TearDown() override {
    window_.reset();
    std::filesystem::current_path(previous_);
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // The main window, not yet shown, with its boxes recorded in `boxes`.
  TQZProgrammer& Window() {
    if (!window_) {
      js_ = std::make_unique<JobState>();
      window_ = RecordingWindow(*js_, dir_, boxes);
    }
    return *window_;
  }
  // The main window after its first show.
  TQZProgrammer& ShownWindow() {
    TQZProgrammer& w = Window();
    w.show();
    return w;
  }
  JobState& Js() { return *js_; }

  // The log's lines without their time stamp.
  std::vector<std::string> LogTexts() { return LogTextsOf(*window_); }

  std::filesystem::path dir_;
  std::vector<std::string> boxes;

 private:
  std::filesystem::path previous_;
  std::unique_ptr<JobState> js_;
  std::unique_ptr<TQZProgrammer> window_;
};
