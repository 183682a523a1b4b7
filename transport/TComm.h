#pragma once
// The serial port component: owns one serial port, runs a read and a write
// thread while it is open, and raises its events on the thread that created
// it (the main thread), never on a worker.
//
// Usage: set the properties and bind the On... events, OpenPort(), then
// SendBytes() for output; ClosePort() when done. Destroying an open
// component closes it first; a component must not be destroyed from inside
// one of its own events.
#include <QObject>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "protocol/SlotPort.h"
#include "transport/CommTypes.h"
#include "transport/ECommsError.h"

class TNotifyWindow;
class TReadThread;
class TWriteThread;
struct TNotice;
namespace serial {
struct TLineSettings;
}

class TComm;

// Buffer holds BufferLength bytes and a zero byte after them; it belongs to
// the component and is released when the handler returns.
using TReceiveDataEvent =
    std::function<void(TComm* Sender, const uint8_t* Buffer, uint16_t BufferLength)>;
// EventMask carries the CE_ flags of the errors.
using TReceiveErrorEvent = std::function<void(TComm* Sender, uint32_t EventMask)>;
// ModemEvent: 8 carrier changed, 4 ring, 12 both.
using TModemStateChangeEvent = std::function<void(TComm* Sender, uint32_t ModemEvent)>;
using TNotifyEvent = std::function<void(TComm* Sender)>;
using TSendDataEmptyEvent = std::function<void(TComm* Sender)>;

class TComm : public QObject, public ISlotPort {
 public:
  explicit TComm(QObject* Owner = nullptr);
  // Closes the port if the owner has not.
  ~TComm() override;
  TComm(const TComm&) = delete;
  TComm& operator=(const TComm&) = delete;

  // Opens the port named by CommName and starts both threads. Raises
  // ECommsError on failure, leaving nothing of the attempt open.
  void OpenPort();
  // Stops the read thread, then the write thread, drops what is still queued
  // in both directions and closes; returns once both threads have ended.
  // Does nothing when the port is closed.
  void ClosePort();
  // Queues a copy of Count bytes for writing and returns at once; false when
  // the port is closed, Count is 0 or the copy cannot be queued.
  bool SendBytes(const uint8_t* Data, size_t Count) override;
  bool IsOpen() const override { return PortHandle_ >= 0; }
  // Bytes handed to SendBytes that have not yet left: those the write thread
  // still holds and those in the driver's output queue. 0 while closed.
  size_t PendingWriteBytes() const override;
  // Drops every block not yet written (the rest of the one being written
  // included) and the driver's output queue. Nothing while closed.
  void DropPendingWrites() override;
  // The open port's descriptor; -1 while closed.
  int PortHandle() const { return PortHandle_; }
  // Notices of the workers queued for the owner's thread and not yet raised.
  size_t PendingNotices() const;

  // Events; an unassigned event is skipped.
  TReceiveDataEvent OnReceiveData;
  TReceiveErrorEvent OnReceiveError;
  TModemStateChangeEvent OnModemStateChange;
  TNotifyEvent OnRequestHangup;
  TSendDataEmptyEvent OnSendDataEmpty;

  // Published properties. Writing the value a property holds does nothing;
  // otherwise, while the port is open, the line settings are applied again
  // at once (except CommName and Parity, which wait for the next open or the
  // next line-setting write).
  const std::string& CommName() const { return CommName_; }
  void SetCommName(const std::string& Value);
  uint32_t BaudRate() const { return BaudRate_; }
  void SetBaudRate(uint32_t Value);
  bool ParityCheck() const { return ParityCheck_; }
  void SetParityCheck(bool Value);
  bool Outx_CtsFlow() const { return Outx_CtsFlow_; }
  void SetOutx_CtsFlow(bool Value);
  bool Outx_DsrFlow() const { return Outx_DsrFlow_; }
  void SetOutx_DsrFlow(bool Value);
  TDtrControl DtrControl() const { return DtrControl_; }
  void SetDtrControl(TDtrControl Value);
  bool DsrSensitivity() const { return DsrSensitivity_; }
  void SetDsrSensitivity(bool Value);
  bool TxContinueOnXoff() const { return TxContinueOnXoff_; }
  void SetTxContinueOnXoff(bool Value);
  bool Outx_XonXoffFlow() const { return Outx_XonXoffFlow_; }
  void SetOutx_XonXoffFlow(bool Value);
  bool Inx_XonXoffFlow() const { return Inx_XonXoffFlow_; }
  void SetInx_XonXoffFlow(bool Value);
  bool ReplaceWhenParityError() const { return ReplaceWhenParityError_; }
  void SetReplaceWhenParityError(bool Value);
  bool IgnoreNullChar() const { return IgnoreNullChar_; }
  void SetIgnoreNullChar(bool Value);
  TRtsControl RtsControl() const { return RtsControl_; }
  void SetRtsControl(TRtsControl Value);
  uint16_t XonLimit() const { return XonLimit_; }
  void SetXonLimit(uint16_t Value);
  uint16_t XoffLimit() const { return XoffLimit_; }
  void SetXoffLimit(uint16_t Value);
  TByteSize ByteSize() const { return ByteSize_; }
  void SetByteSize(TByteSize Value);
  TParity Parity() const { return Parity_; }
  void SetParity(TParity Value);
  TStopBits StopBits() const { return StopBits_; }
  void SetStopBits(TStopBits Value);
  char XonChar() const { return XonChar_; }
  void SetXonChar(char Value);
  char XoffChar() const { return XoffChar_; }
  void SetXoffChar(char Value);
  char ReplacedChar() const { return ReplacedChar_; }
  void SetReplacedChar(char Value);
  uint32_t ReadIntervalTimeout() const { return ReadIntervalTimeout_; }
  void SetReadIntervalTimeout(uint32_t Value);
  uint32_t ReadTotalTimeoutMultiplier() const { return ReadTotalTimeoutMultiplier_; }
  void SetReadTotalTimeoutMultiplier(uint32_t Value);
  uint32_t ReadTotalTimeoutConstant() const { return ReadTotalTimeoutConstant_; }
  void SetReadTotalTimeoutConstant(uint32_t Value);
  uint32_t WriteTotalTimeoutMultiplier() const { return WriteTotalTimeoutMultiplier_; }
  void SetWriteTotalTimeoutMultiplier(uint32_t Value);
  uint32_t WriteTotalTimeoutConstant() const { return WriteTotalTimeoutConstant_; }
  void SetWriteTotalTimeoutConstant(uint32_t Value);

 private:
  template <typename T>
  void SetLineProperty(T& Field, T Value);
  template <typename T>
  void SetTimeoutProperty(T& Field, T Value);
  void ApplyLineSettings();
  void ApplyTimeouts();
  void StopReadThread();
  void StopWriteThread();
  void ReleasePort();
  void DispatchNotice(TNotice& Notice);

  std::unique_ptr<TReadThread> ReadWorker;
  std::unique_ptr<TWriteThread> WriteWorker;
  int PortHandle_ = -1;
  int StopEvent = -1;
  std::unique_ptr<TNotifyWindow> NotifyWindow;
  // Cleared by SendBytes before it queues, set by the write thread when it
  // finds its queue empty. Neither step is ordered with the queue's lock, so
  // it may read true while a block queued at that moment still waits, and it
  // stays false after a block the ended writer refused. A hint only;
  // PendingWriteBytes counts under the lock.
  std::atomic<bool> AllSent{true};

  std::string CommName_ = "COM2";
  uint32_t BaudRate_ = 9600;
  bool ParityCheck_ = false;
  bool Outx_CtsFlow_ = false;
  bool Outx_DsrFlow_ = false;
  TDtrControl DtrControl_ = TDtrControl::DtrEnable;
  bool DsrSensitivity_ = false;
  bool TxContinueOnXoff_ = true;
  bool Outx_XonXoffFlow_ = true;
  bool Inx_XonXoffFlow_ = true;
  bool ReplaceWhenParityError_ = false;
  bool IgnoreNullChar_ = false;
  TRtsControl RtsControl_ = TRtsControl::RtsEnable;
  uint16_t XonLimit_ = 500;
  uint16_t XoffLimit_ = 500;
  TByteSize ByteSize_ = TByteSize::_8;
  TParity Parity_ = TParity::None;
  TStopBits StopBits_ = TStopBits::_1;
  char XonChar_ = 17;
  char XoffChar_ = 19;
  char ReplacedChar_ = 0;
  uint32_t ReadIntervalTimeout_ = 100;
  uint32_t ReadTotalTimeoutMultiplier_ = 0;
  uint32_t ReadTotalTimeoutConstant_ = 0;
  uint32_t WriteTotalTimeoutMultiplier_ = 0;
  uint32_t WriteTotalTimeoutConstant_ = 0;
};
