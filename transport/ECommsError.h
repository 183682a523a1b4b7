#pragma once
// The error the serial port component raises when a port cannot be opened
// or set up. It carries one message text and nothing else.
#include <stdexcept>
#include <string>

class ECommsError : public std::runtime_error {
 public:
  explicit ECommsError(const std::string& Message) : std::runtime_error(Message) {}
};
