// The project menu: a whole job saved to and restored from a project file.
#include "ui/MainWindow.h"

void TQZProgrammer::LoadFromTesmelProjectClick() {}
void TQZProgrammer::SaveToTesmelProjectClick() {}
