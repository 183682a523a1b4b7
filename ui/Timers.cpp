// The two timers: slot time-outs and clock-driven gauges every 10 ms, the
// paced download every 170 ms; and the progress of a streamed chip read.
#include "ui/MainWindow.h"

void TQZProgrammer::Timer1Timer() {}
void TQZProgrammer::UpdateReadProgress() {}
void TQZProgrammer::Timer2Timer() {}
