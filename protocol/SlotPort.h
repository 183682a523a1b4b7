#pragma once
// The engine's narrow view of one slot's serial port: it hands whole frames
// to the port and asks whether the port is open. The window binds each slot
// to its port component; tests bind recorders.
#include <cstddef>
#include <cstdint>

class ISlotPort {
 public:
  virtual ~ISlotPort() = default;
  virtual bool IsOpen() const = 0;
  // Queues `length` bytes for writing; false when the port is not open or
  // cannot take them (the senders then end the slot's operation).
  virtual bool SendBytes(const uint8_t* data, size_t length) = 0;
  // Bytes handed over but not yet gone out on the line (what is still
  // queued for writing); 0 for a port without a queue of its own.
  virtual size_t PendingWriteBytes() const { return 0; }
  // Drops what is still queued for writing, so that none of it reaches the
  // line from now on; nothing for a port without a queue of its own.
  virtual void DropPendingWrites() {}
};
