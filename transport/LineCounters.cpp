#include "transport/LineCounters.h"

#include <linux/serial.h>
#include <sys/ioctl.h>

#include "transport/CommTypes.h"

namespace serial {

bool ReadLineCounters(int Fd, TLineCounters& Counters) {
  serial_icounter_struct raw{};
  if (ioctl(Fd, TIOCGICOUNT, &raw) != 0) return false;
  Counters.Cts = raw.cts;
  Counters.Dsr = raw.dsr;
  Counters.Ring = raw.rng;
  Counters.Carrier = raw.dcd;
  Counters.Frame = raw.frame;
  Counters.Overrun = raw.overrun;
  Counters.Parity = raw.parity;
  Counters.Break = raw.brk;
  Counters.BufferOverrun = raw.buf_overrun;
  return true;
}

// The counters only grow, but they may wrap: any difference is an event.
uint32_t LineErrorFlags(const TLineCounters& Before, const TLineCounters& Now) {
  uint32_t flags = 0;
  if (Now.BufferOverrun != Before.BufferOverrun) flags |= CE_RXOVER;
  if (Now.Overrun != Before.Overrun) flags |= CE_OVERRUN;
  if (Now.Parity != Before.Parity) flags |= CE_RXPARITY;
  if (Now.Frame != Before.Frame) flags |= CE_FRAME;
  if (Now.Break != Before.Break) flags |= CE_BREAK;
  return flags;
}

uint32_t ModemChange(const TLineCounters& Before, const TLineCounters& Now) {
  uint32_t value = 0;
  if (Now.Carrier != Before.Carrier) value |= ModemCarrierChanged;
  if (Now.Ring != Before.Ring) value |= ModemRing;
  return value;
}

}  // namespace serial
