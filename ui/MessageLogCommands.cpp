// The message log's menu commands: save it to a file, copy it.
#include "ui/MainWindow.h"

void TQZProgrammer::SaveInfotoFile1Click() {}
void TQZProgrammer::CopyInformation1Click() {}
