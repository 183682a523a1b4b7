#pragma once
// Line errors and modem changes, found as differences between two readings
// of the driver's event counters (for drivers that keep them).
#include <cstdint>

namespace serial {

struct TLineCounters {
  int Cts = 0, Dsr = 0, Ring = 0, Carrier = 0;
  int Frame = 0, Overrun = 0, Parity = 0, Break = 0, BufferOverrun = 0;
};

// False when the driver keeps no counters or the port has gone.
bool ReadLineCounters(int Fd, TLineCounters& Counters);

// CE_ flags of the errors counted between the two readings (0: none).
uint32_t LineErrorFlags(const TLineCounters& Before, const TLineCounters& Now);
// 8 for a carrier change, 4 for a ring, 12 for both, 0 for neither.
uint32_t ModemChange(const TLineCounters& Before, const TLineCounters& Now);

}  // namespace serial
