// Kept apart from every user of <termios.h>: the kernel's termios headers
// declare a struct termios of their own.
#include "transport/SerialSpeed.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace serial {

bool SetAnySpeed(int Fd, uint32_t BaudRate) {
  struct termios2 tio {};
  if (ioctl(Fd, TCGETS2, &tio) != 0) return false;
  // Input speed follows output speed while the CIBAUD bits are clear.
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER;
  tio.c_ospeed = BaudRate;
  tio.c_ispeed = BaudRate;
  return ioctl(Fd, TCSETS2, &tio) == 0;
}

uint32_t CurrentSpeed(int Fd) {
  struct termios2 tio {};
  if (ioctl(Fd, TCGETS2, &tio) != 0) return 0;
  return tio.c_ospeed;
}

}  // namespace serial
