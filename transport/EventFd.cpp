#include "transport/EventFd.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace serial {

int CreateEvent() { return eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

void SetEvent(int Event) {
  const uint64_t one = 1;
  // Only fails when the counter is about to overflow, and then it is set.
  (void)!write(Event, &one, sizeof one);
}

void ClearEvent(int Event) {
  uint64_t count = 0;
  (void)!read(Event, &count, sizeof count);
}

bool IsEventSet(int Event) {
  pollfd wait{Event, POLLIN, 0};
  return poll(&wait, 1, 0) > 0 && (wait.revents & POLLIN);
}

void CloseEvent(int Event) {
  if (Event >= 0) close(Event);
}

}  // namespace serial
