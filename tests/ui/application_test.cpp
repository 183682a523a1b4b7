// The application object's last-resort handling of an error that an event
// handler leaves uncaught: shown in an error box, the program goes on.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <memory>
#include <stdexcept>

#include "protocol/JobState.h"
#include "ui/Application.h"
#include "ui/MainWindow.h"

TEST(Application, UncaughtHandlerErrorIsBoxedAndTheLoopGoesOn) {
  int argc = 1;
  char name[] = "ui_app_tests";
  char* argv[] = {name, nullptr};
  TApplication app(argc, argv);
  auto js = std::make_unique<JobState>();
  TQZProgrammer window(*js);
  app.SetMainWindow(&window);
  std::vector<std::string> boxes;
  window.MessageBoxHook = [&](const std::string& text) { boxes.push_back(text); };

  QPushButton button("go");
  QObject::connect(&button, &QPushButton::clicked,
                   [] { throw std::runtime_error("Error opening serial port:ttyUSB7"); });
  button.show();
  QTest::mouseClick(&button, Qt::LeftButton);
  QTest::mouseClick(&button, Qt::LeftButton);  // the button still works
  EXPECT_EQ(boxes, (std::vector<std::string>{"Error opening serial port:ttyUSB7",
                                             "Error opening serial port:ttyUSB7"}));
}
