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
  // Queues `length` bytes for writing; false when the port is not open.
  virtual bool SendBytes(const uint8_t* data, size_t length) = 0;
};
