#include "transport/TComm.h"

#include <sys/ioctl.h>
#include <termios.h>

#include <utility>
#include <vector>

#include "transport/EventFd.h"
#include "transport/NotifyWindow.h"
#include "transport/SerialDevice.h"
#include "transport/TReadThread.h"
#include "transport/TWriteThread.h"

TComm::TComm(QObject* Owner)
    : QObject(Owner),
      NotifyWindow(std::make_unique<TNotifyWindow>([this](TNotice& Notice) { DispatchNotice(Notice); })) {}

TComm::~TComm() {
  // Workers left running would post to a window that no longer exists.
  ClosePort();
}

void TComm::OpenPort() {
  if (IsOpen()) throw ECommsError("This serial port already opened");

  const serial::TOpenResult opened = serial::OpenDevice(serial::DevicePath(CommName_));
  switch (opened.Failure) {
    case serial::TOpenFailure::None: break;
    case serial::TOpenFailure::CannotOpen:
      throw ECommsError("Error opening serial port:" + CommName_, opened.Error);
    case serial::TOpenFailure::NotCharDevice:
      throw ECommsError("File handle is not a comm handle ", opened.Error);
    case serial::TOpenFailure::NotTerminal: throw ECommsError("Cannot setup comm buffer", opened.Error);
  }
  serial::RequestLowLatency(opened.Fd);

  PortHandle_ = opened.Fd;
  // Whatever the workers of an earlier open left queued is not raised now.
  NotifyWindow->BeginGeneration();
  serial::Flush(PortHandle_, TCIOFLUSH);
  AllSent = true;
  ApplyTimeouts();
  ApplyLineSettings();

  StopEvent = serial::CreateEvent();
  if (StopEvent < 0) {
    ReleasePort();
    throw ECommsError("Unable to create event");
  }

  try {
    ReadWorker = std::make_unique<TReadThread>(PortHandle_, StopEvent, *NotifyWindow);
    ReadWorker->Start();
  } catch (...) {
    ReadWorker.reset();
    serial::CloseEvent(std::exchange(StopEvent, -1));
    ReleasePort();
    throw ECommsError("Unable to create read thread");
  }

  bool writerStarted = false;
  try {
    WriteWorker = std::make_unique<TWriteThread>(PortHandle_, StopEvent, *NotifyWindow, AllSent);
    writerStarted = WriteWorker->Start();
  } catch (...) {
    // No thread could be started: reported below like a missing event.
  }
  if (!writerStarted) {
    WriteWorker.reset();
    StopReadThread();
    serial::CloseEvent(std::exchange(StopEvent, -1));
    ReleasePort();
    throw ECommsError("Unable to create write thread");
  }
  // Only now that the open cannot fail does the port get read.
  ReadWorker->Resume();
}

void TComm::ClosePort() {
  if (!IsOpen()) return;
  StopReadThread();
  StopWriteThread();
  serial::CloseEvent(std::exchange(StopEvent, -1));
  ReleasePort();
}

void TComm::StopReadThread() {
  if (!ReadWorker) return;
  serial::SetEvent(StopEvent);
  serial::Flush(PortHandle_, TCIFLUSH);
  ReadWorker->WaitFor();
  ReadWorker.reset();
}

void TComm::StopWriteThread() {
  if (!WriteWorker) return;
  serial::SetEvent(StopEvent);
  serial::Flush(PortHandle_, TCOFLUSH);
  AllSent = true;
  WriteWorker->WaitFor();
  // Blocks still queued are released with the thread object.
  WriteWorker.reset();
}

void TComm::ReleasePort() {
  serial::CloseDevice(std::exchange(PortHandle_, -1));
}

bool TComm::SendBytes(const uint8_t* Data, size_t Count) {
  if (!WriteWorker || Count == 0 || Data == nullptr) return false;
  std::vector<uint8_t> block;
  try {
    block.assign(Data, Data + Count);
  } catch (...) {
    return false;
  }
  // Cleared before queueing, so that the write thread's "all sent" after
  // writing this block is not overwritten (an "all sent" from just before
  // the block was queued still may be).
  AllSent = false;
  return WriteWorker->Queue(std::move(block));
}

size_t TComm::PendingWriteBytes() const {
  if (!WriteWorker) return 0;
  size_t pending = WriteWorker->PendingBytes();
  int inDriver = 0;
  if (ioctl(PortHandle_, TIOCOUTQ, &inDriver) == 0 && inDriver > 0) {
    pending += static_cast<size_t>(inDriver);
  }
  return pending;
}

void TComm::DropPendingWrites() {
  if (!WriteWorker) return;
  WriteWorker->DropQueued();
  // Then what the driver still holds: nothing dropped is written after it.
  serial::Flush(PortHandle_, TCOFLUSH);
}

size_t TComm::PendingNotices() const { return NotifyWindow->PendingCount(); }

void TComm::DispatchNotice(TNotice& Notice) {
  // Handlers are copied first: one may assign its own event anew.
  switch (Notice.Message) {
    case MsgReceiveData: {
      const TReceiveDataEvent handler = OnReceiveData;
      if (handler) handler(this, Notice.Block.get(), static_cast<uint16_t>(Notice.Value & 0xFFFF));
      Notice.Block.reset();
      break;
    }
    case MsgReceiveError: {
      const TReceiveErrorEvent handler = OnReceiveError;
      if (handler) handler(this, Notice.Value);
      break;
    }
    case MsgRequestHangup: {
      const TNotifyEvent handler = OnRequestHangup;
      if (handler) handler(this);
      break;
    }
    case MsgModemState: {
      const TModemStateChangeEvent handler = OnModemStateChange;
      if (handler) handler(this, Notice.Value);
      break;
    }
    case MsgSendDataEmpty: {
      const TSendDataEmptyEvent handler = OnSendDataEmpty;
      if (handler) handler(this);
      break;
    }
  }
}

void TComm::ApplyLineSettings() {
  if (!IsOpen()) return;
  serial::TLineSettings settings;
  settings.BaudRate = BaudRate_;
  settings.ParityCheck = ParityCheck_;
  settings.CtsFlow = Outx_CtsFlow_;
  settings.XonXoffOut = Outx_XonXoffFlow_;
  settings.XonXoffIn = Inx_XonXoffFlow_;
  settings.Dtr = DtrControl_;
  settings.Rts = RtsControl_;
  settings.ByteSize = ByteSize_;
  settings.Parity = Parity_;
  settings.StopBits = StopBits_;
  settings.XonChar = XonChar_;
  settings.XoffChar = XoffChar_;
  serial::ApplyLineSettings(PortHandle_, settings);
}

// The read thread is woken by poll() as soon as bytes arrive and writes
// never time out, which is what short interval and zero total time-outs
// ask for; the driver has nothing further to take.
void TComm::ApplyTimeouts() {}

template <typename T>
void TComm::SetLineProperty(T& Field, T Value) {
  if (Field == Value) return;
  Field = Value;
  ApplyLineSettings();
}

template <typename T>
void TComm::SetTimeoutProperty(T& Field, T Value) {
  if (Field == Value) return;
  Field = Value;
  if (IsOpen()) ApplyTimeouts();
}

void TComm::SetCommName(const std::string& Value) { CommName_ = Value; }
void TComm::SetBaudRate(uint32_t Value) { SetLineProperty(BaudRate_, Value); }
void TComm::SetParityCheck(bool Value) { SetLineProperty(ParityCheck_, Value); }
void TComm::SetOutx_CtsFlow(bool Value) { SetLineProperty(Outx_CtsFlow_, Value); }
void TComm::SetOutx_DsrFlow(bool Value) { SetLineProperty(Outx_DsrFlow_, Value); }
void TComm::SetDtrControl(TDtrControl Value) { SetLineProperty(DtrControl_, Value); }
void TComm::SetDsrSensitivity(bool Value) { SetLineProperty(DsrSensitivity_, Value); }
void TComm::SetTxContinueOnXoff(bool Value) { SetLineProperty(TxContinueOnXoff_, Value); }
void TComm::SetOutx_XonXoffFlow(bool Value) { SetLineProperty(Outx_XonXoffFlow_, Value); }
void TComm::SetInx_XonXoffFlow(bool Value) { SetLineProperty(Inx_XonXoffFlow_, Value); }
void TComm::SetReplaceWhenParityError(bool Value) { SetLineProperty(ReplaceWhenParityError_, Value); }
void TComm::SetIgnoreNullChar(bool Value) { SetLineProperty(IgnoreNullChar_, Value); }
void TComm::SetRtsControl(TRtsControl Value) { SetLineProperty(RtsControl_, Value); }
void TComm::SetXonLimit(uint16_t Value) { SetLineProperty(XonLimit_, Value); }
void TComm::SetXoffLimit(uint16_t Value) { SetLineProperty(XoffLimit_, Value); }
void TComm::SetByteSize(TByteSize Value) { SetLineProperty(ByteSize_, Value); }
// Parity is stored only: it reaches the line with the next open or the next
// write of another line property.
void TComm::SetParity(TParity Value) { Parity_ = Value; }
void TComm::SetStopBits(TStopBits Value) { SetLineProperty(StopBits_, Value); }
void TComm::SetXonChar(char Value) { SetLineProperty(XonChar_, Value); }
void TComm::SetXoffChar(char Value) { SetLineProperty(XoffChar_, Value); }
void TComm::SetReplacedChar(char Value) { SetLineProperty(ReplacedChar_, Value); }
void TComm::SetReadIntervalTimeout(uint32_t Value) { SetTimeoutProperty(ReadIntervalTimeout_, Value); }
void TComm::SetReadTotalTimeoutMultiplier(uint32_t Value) {
  SetTimeoutProperty(ReadTotalTimeoutMultiplier_, Value);
}
void TComm::SetReadTotalTimeoutConstant(uint32_t Value) {
  SetTimeoutProperty(ReadTotalTimeoutConstant_, Value);
}
void TComm::SetWriteTotalTimeoutMultiplier(uint32_t Value) {
  SetTimeoutProperty(WriteTotalTimeoutMultiplier_, Value);
}
void TComm::SetWriteTotalTimeoutConstant(uint32_t Value) {
  SetTimeoutProperty(WriteTotalTimeoutConstant_, Value);
}
