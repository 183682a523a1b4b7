#pragma once
// Line speeds in bits per second, set and read through the kernel's second
// termios interface, which takes any rate (BOTHER) rather than only the
// rates that have a Bnnn constant.
#include <cstdint>

namespace serial {

// False when the driver refused the request.
bool SetAnySpeed(int Fd, uint32_t BaudRate);
// The speed the driver holds now; 0 when it cannot be read.
uint32_t CurrentSpeed(int Fd);

}  // namespace serial
