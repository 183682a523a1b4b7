#pragma once
// Runs `run`, which opens a modal dialog, and closes the dialog through
// `close` as soon as it is shown.
#include <QObject>
#include <QTimer>
#include <functional>

#include <gtest/gtest.h>

template <typename Dialog>
void WithDialog(Dialog& dialog, std::function<void(Dialog&)> close, std::function<void()> run) {
  bool shown = false;
  QTimer poll;
  poll.setInterval(1);
  QObject::connect(&poll, &QTimer::timeout, [&] {
    if (!dialog.isVisible() || shown) return;
    shown = true;
    close(dialog);
  });
  poll.start();
  run();
  poll.stop();
  EXPECT_TRUE(shown) << "the dialog was not shown";
}
