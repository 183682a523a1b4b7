#include "transport/WorkerPriority.h"

#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>

namespace serial {

void RaiseThreadPriority(int Steps) {
  const id_t thread = static_cast<id_t>(gettid());
  errno = 0;
  const int nice = getpriority(PRIO_PROCESS, thread);
  if (nice == -1 && errno != 0) return;
  (void)setpriority(PRIO_PROCESS, thread, nice - Steps);
}

}  // namespace serial
