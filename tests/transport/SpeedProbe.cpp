#include "SpeedProbe.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool SetSplitSpeed(int Fd, uint32_t Output, uint32_t Input) {
  struct termios2 tio {};
  if (ioctl(Fd, TCGETS2, &tio) != 0) return false;
  tio.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  tio.c_ospeed = Output;
  tio.c_ispeed = Input;
  return ioctl(Fd, TCSETS2, &tio) == 0;
}

uint32_t InputSpeed(int Fd) {
  struct termios2 tio {};
  if (ioctl(Fd, TCGETS2, &tio) != 0) return 0;
  return tio.c_ispeed;
}
