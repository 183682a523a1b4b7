#pragma once
// A view that records what the engine shows, for tests without a window.
#include <array>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "protocol/JobState.h"
#include "protocol/View.h"

struct FakeGauge : IGauge {
  int max = 100, progress = 0;
  GaugeColor color = GaugeColor::Blue;
  bool enabled = false;
  void SetMax(int m) override { max = m; }
  void SetProgress(int p) override { progress = p; }
  int Max() const override { return max; }
  int Progress() const override { return progress; }
  void SetColor(GaugeColor c) override { color = c; }
  void SetEnabled(bool e) override { enabled = e; }
};

struct FakeView : IView {
  std::vector<std::string> log;
  std::vector<std::string> boxes;
  std::array<std::string, 4> panels{};
  std::string infoPanel;
  std::array<FakeGauge, kSlotCount> gauges{};

  void AppendLogLine(const std::string& line) override { log.push_back(line); }
  void SetStatusPanel(int index, const std::string& text) override {
    if (index >= 0 && index < 4) panels[index] = text;
  }
  void ShowMessage(const std::string& text) override {
    boxes.push_back(text);
    if (whileBoxOpen) whileBoxOpen(text);
  }
  void SetInfoPanel(const std::string& text) override { infoPanel = text; }
  // Error boxes are recorded in `boxes` too.
  std::vector<std::string> errorBoxes;
  void ShowErrorMessage(const std::string& text) override {
    errorBoxes.push_back(text);
    ShowMessage(text);
  }

  // Online serial number steps asked for, and the streamed read's counter.
  std::vector<uint32_t> serialNumbers;  // shown, in order
  void ShowSerialNumber(uint32_t value) override { serialNumbers.push_back(value); }
  std::vector<uint32_t> readCounts;
  void ShowReadCount(uint32_t count) override { readCounts.push_back(count); }
  // How often the engine asked for the 10 ms tick.
  int tickStarts = 0;
  void StartTicking() override { ++tickStarts; }

  // Runs while a modal box is "open", as the box's own event loop would run
  // further events.
  std::function<void(const std::string&)> whileBoxOpen;

  // Posted tasks run at once unless deferPosts is set; then they wait in
  // `posted` until RunPosted, as behind a returning event handler.
  bool deferPosts = false;
  std::deque<std::function<void()>> posted;
  void Post(std::function<void()> task) override {
    if (deferPosts) {
      posted.push_back(std::move(task));
    } else {
      task();
    }
  }
  // Runs the posted tasks, and those they post, until none is left.
  void RunPosted() {
    while (!posted.empty()) {
      auto task = std::move(posted.front());
      posted.pop_front();
      task();
    }
  }

  // The log lines with their "> hh:mm:ss " stamp removed.
  std::vector<std::string> LogTexts() const {
    std::vector<std::string> out;
    for (const auto& line : log) {
      if (line.rfind("> ", 0) == 0) {
        auto sp = line.find(' ', 2);
        out.push_back(sp == std::string::npos ? line : line.substr(sp + 1));
      } else {
        out.push_back(line);
      }
    }
    return out;
  }

  std::array<IGauge*, kSlotCount> GaugePointers() {
    std::array<IGauge*, kSlotCount> out{};
    for (int i = 0; i < kSlotCount; ++i) out[i] = &gauges[i];
    return out;
  }
};
