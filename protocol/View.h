#pragma once
// What the engine needs of the window: the message log, the slots' gauges,
// the status bar, modal message boxes and the device panel. The main window
// implements it; tests use a fake that records the calls.
#include <cstdint>
#include <functional>
#include <string>

enum class GaugeColor { Blue, Red };

class IGauge {
 public:
  virtual ~IGauge() = default;
  virtual void SetMax(int max) = 0;
  virtual void SetProgress(int progress) = 0;
  virtual int Max() const = 0;
  virtual int Progress() const = 0;
  virtual void SetColor(GaugeColor color) = 0;
  virtual void SetEnabled(bool enabled) = 0;
};

class IView {
 public:
  virtual ~IView() = default;
  // Appends one line to the message log exactly as given.
  virtual void AppendLogLine(const std::string& line) = 0;
  // Sets the text of status bar panel `index` (0..3).
  virtual void SetStatusPanel(int index, const std::string& text) = 0;
  // Shows a modal message box and returns when the operator closes it.
  virtual void ShowMessage(const std::string& text) = 0;
  // The same as an error box (a unit's result code).
  virtual void ShowErrorMessage(const std::string& text) { ShowMessage(text); }
  // Caption of the device panel above the log.
  virtual void SetInfoPanel(const std::string& text) = 0;

  // Shows DataBuffer from first to last (inclusive) in the data page's hex grid.
  virtual void ShowHexRange(uint32_t /*first*/, uint32_t /*last*/) {}
  // Bytes first..first+count-1 of DataBuffer have changed in place: the data
  // page's hex grid shows them anew.
  virtual void ShowImageBytes(uint32_t /*first*/, uint32_t /*count*/) {}
  // The hourglass cursor while a long step runs.
  virtual void SetBusyCursor(bool /*busy*/) {}

  // The online serial number has advanced to `value`. Views without serial
  // numbers ignore it.
  virtual void ShowSerialNumber(uint32_t /*value*/) {}

  // Bytes received so far by a streamed chip read, for the read page's
  // counter. Views without that counter ignore it.
  virtual void ShowReadCount(uint32_t /*count*/) {}

  // A slot has started something that the 10 ms tick watches (TicksNeeded):
  // a window whose tick timer stands still starts it. Views without a timer
  // ignore it.
  virtual void StartTicking() {}

  // Runs `task` once the event handler in progress has returned. A window
  // posts it to its event loop with zero delay, so a modal box opened by the
  // task never runs inside a receive handler. The default runs it at once,
  // for views without an event loop.
  virtual void Post(std::function<void()> task) { task(); }
};
