#include "ui/PortOpenFailure.h"

#include <cerrno>
#include <system_error>

#include "messages/Format.h"
#include "messages/Messages.h"
#include "transport/ECommsError.h"

std::string PortOpenFailureLine(const std::string& port, const ECommsError& error) {
  const int code = error.SystemError();
  const std::string cause = code != 0 ? std::generic_category().message(code) : std::string(error.what());
  const bool permission = code == EACCES || code == EPERM;
  const std::string format = msg::Tr(
      permission ? "Cannot open %s: %s! The user needs access to the serial device (e.g. the dialout group)."
                 : "Cannot open %s: %s!");
  return msg::FmtV(format, port.c_str(), cause.c_str());
}
