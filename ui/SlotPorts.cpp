// The slots' serial port components: their line settings in the main window
// and the binding of their events to the window's handlers.
#include "transport/TComm.h"
#include "ui/MainWindow.h"

void TQZProgrammer::BuildSerialPorts() {
  for (int slot = 0; slot < kSlotCount; ++slot) {
    auto* port = new TComm(this);
    port->setObjectName(QString("SPxComm%1").arg(slot + 1));
    // 1,000,000 baud, 8 data bits, no parity, 2 stop bits, no flow control,
    // DTR and RTS held low. The read interval of 3 ms is kept as the port's
    // setting only: the read thread hands bytes on as soon as they arrive,
    // which no interval can shorten (TComm::ApplyTimeouts).
    port->SetBaudRate(1000000);
    port->SetDtrControl(TDtrControl::DtrDisable);
    port->SetTxContinueOnXoff(false);
    port->SetOutx_XonXoffFlow(false);
    port->SetInx_XonXoffFlow(false);
    port->SetRtsControl(TRtsControl::RtsDisable);
    port->SetXonLimit(10);
    port->SetXoffLimit(10);
    port->SetByteSize(TByteSize::_8);
    port->SetParity(TParity::None);
    port->SetStopBits(TStopBits::_2);
    port->SetXonChar('0');
    port->SetXoffChar('0');
    port->SetReadIntervalTimeout(3);
    port->OnReceiveData = [this, slot](TComm*, const uint8_t* buffer, uint16_t length) {
      SPxCommReceiveData(buffer, length, slot);
    };
    port->OnReceiveError = [this, slot](TComm*, uint32_t mask) { SPxCommReceiveError(mask, slot); };
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

std::array<ISlotPort*, kSlotCount> TQZProgrammer::SlotPortPointers() {
  std::array<ISlotPort*, kSlotCount> out{};
  for (int i = 0; i < kSlotCount; ++i) out[i] = SPxComms[i];
  return out;
}

void TQZProgrammer::CloseOpenPorts() {
  for (TComm* port : SPxComms) {
    if (port && port->IsOpen()) port->ClosePort();
  }
}
