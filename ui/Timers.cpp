// The two timers: slot time-outs and clock-driven gauges every 10 ms, the
// paced download every 170 ms; and the progress of a streamed chip read.
#include <QLineEdit>
#include <QTimer>

#include "messages/Format.h"
#include "protocol/SlotTimers.h"
#include "protocol/StreamedRead.h"
#include "ui/MainWindow.h"

void TQZProgrammer::Timer1Timer() {
  TickSlotTimeouts(js);
  if (!TicksNeeded(js)) Timer1->stop();
}

void TQZProgrammer::StartTicking() {
  // Started anew, a running timer would put its next tick off.
  if (!Timer1->isActive()) Timer1->start();
}

void TQZProgrammer::ShowReadCount(uint32_t count) {
  EditRD->setText(QString::fromStdString(msg::Fmt("0x%0.8x", count)));
}

void TQZProgrammer::Timer2Timer() { PaceDownloads(js); }
