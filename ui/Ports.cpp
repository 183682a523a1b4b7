// The slots' eight serial port components with the line settings every unit
// uses, their events bound to the one handler set by slot index.
#include "ui/MainWindow.h"

void TQZProgrammer::BuildPorts() {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    auto* port = new TComm(this);
    port->setObjectName(QString("SPxComm%1").arg(slot + 1));
    port->SetCommName("COM2");  // replaced before every open
    port->SetBaudRate(1000000);
    port->SetByteSize(TByteSize::_8);
    port->SetParity(TParity::None);
    port->SetParityCheck(false);
    port->SetStopBits(TStopBits::_2);
    port->SetOutx_CtsFlow(false);
    port->SetOutx_DsrFlow(false);
    port->SetDsrSensitivity(false);
    port->SetDtrControl(TDtrControl::DtrDisable);
    port->SetRtsControl(TRtsControl::RtsDisable);
    port->SetOutx_XonXoffFlow(false);
    port->SetInx_XonXoffFlow(false);
    port->SetTxContinueOnXoff(false);
    port->SetXonLimit(10);
    port->SetXoffLimit(10);
    port->SetXonChar('0');
    port->SetXoffChar('0');
    port->SetReplaceWhenParityError(false);
    port->SetIgnoreNullChar(false);
    port->SetReplacedChar(0);
    port->SetReadIntervalTimeout(3);
    port->SetReadTotalTimeoutMultiplier(0);
    port->SetReadTotalTimeoutConstant(0);
    port->SetWriteTotalTimeoutMultiplier(0);
    port->SetWriteTotalTimeoutConstant(0);

    port->OnReceiveData = [this, slot](TComm*, const uint8_t* buffer, uint16_t length) {
      SPxCommReceiveData(buffer, length, slot);
    };
    port->OnReceiveError = [this, slot](TComm*, uint32_t eventMask) {
      SPxCommReceiveError(eventMask, slot);
    };
    port->OnRequestHangup = [this, slot](TComm*) { SPxCommRequestHangup(slot); };
    SPxComms[slot] = port;
  }
  SPxComm1 = SPxComms[0];
  SPxComm2 = SPxComms[1];
  SPxComm3 = SPxComms[2];
  SPxComm4 = SPxComms[3];
  SPxComm5 = SPxComms[4];
  SPxComm6 = SPxComms[5];
  SPxComm7 = SPxComms[6];
  SPxComm8 = SPxComms[7];
}
