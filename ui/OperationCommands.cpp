// The operation commands: each checks its preconditions, collects the
// settings, arms every slot that takes part and sends its first command.
#include "ui/MainWindow.h"

void TQZProgrammer::SpdBtnDownLoadClick() {}
void TQZProgrammer::SpeedButtonRDClick() {}
void TQZProgrammer::SpdBtnAutoPClick() {}
void TQZProgrammer::BlankCheck1Click() {}
void TQZProgrammer::SpdBtnEraseClick() {}
void TQZProgrammer::SpdBtnProgClick() {}
void TQZProgrammer::SpdBtnVerifyClick() {}
void TQZProgrammer::AddressWrite1Click() {}
void TQZProgrammer::ReadChipIDandStatus1Click() {}
void TQZProgrammer::DoFirmwareUpgrade1Click() {}
void TQZProgrammer::DoOffLineMonitor1Click() {}
void TQZProgrammer::ReadIntMemClick() {}
void TQZProgrammer::BtnRdDIDClick() {}
