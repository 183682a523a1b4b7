#pragma once
// The error the serial port component raises when a port cannot be opened
// or set up. It carries its message text and, when a system call failed,
// that call's error number (0 otherwise), so that a caller can say why.
#include <stdexcept>
#include <string>

class ECommsError : public std::runtime_error {
 public:
  explicit ECommsError(const std::string& Message, int SystemError = 0)
      : std::runtime_error(Message), SystemError_(SystemError) {}
  int SystemError() const { return SystemError_; }

 private:
  int SystemError_;
};
