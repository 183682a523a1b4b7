#pragma once
// The log line for a listed port that the device search cannot open.
#include <string>

class ECommsError;

// Names the port and the cause: the system's reason when a system call
// failed, else the component's own message. A permission failure also says
// that the user needs access to the serial device.
std::string PortOpenFailureLine(const std::string& port, const ECommsError& error);
