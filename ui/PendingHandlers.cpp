// Handlers whose behaviour is still to come; each moves to the file of its
// topic when it is built.
#include "ui/MainWindow.h"

void TQZProgrammer::Timer1Timer() {}
void TQZProgrammer::UpdateReadProgress() {}
void TQZProgrammer::Timer2Timer() {}
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
void TQZProgrammer::ComBoxWP8Change() {}
void TQZProgrammer::ComBoxWPFChange() {}
void TQZProgrammer::ChkBoxSRWDClick() {}
void TQZProgrammer::CheckBoxAutClick() {}
void TQZProgrammer::RadioGrpSumDPClick() {}
void TQZProgrammer::RadioGroupXClick() {}
void TQZProgrammer::ComboBoxCOMChange() {}
void TQZProgrammer::ClearInformation1Click() {}
void TQZProgrammer::Button1Click() {}
void TQZProgrammer::CheckBoxSNClick() {}
void TQZProgrammer::ChkBoxStrSNClick() {}
void TQZProgrammer::SpinEditNumbChange() {}
void TQZProgrammer::SaveInfotoFile1Click() {}
void TQZProgrammer::CopyInformation1Click() {}
void TQZProgrammer::LoadFromTesmelProjectClick() {}
void TQZProgrammer::SaveToTesmelProjectClick() {}
