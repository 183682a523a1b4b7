// Qt is not built with ThreadSanitizer: its posted-event queue is locked
// with futexes the sanitizer cannot see, so the queue's own allocations look
// like races between the threads that post. Calls from Qt into the
// sanitizer's interceptors are therefore ignored; this program's own memory
// accesses are still checked.
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n";
}
