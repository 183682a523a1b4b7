#pragma once
// Event objects for the worker threads, made of eventfd descriptors so that
// poll() can wait on them beside the port.
namespace serial {

// A non-blocking event, not set; -1 when none can be made.
int CreateEvent();
// Sets the event; it stays set until cleared.
void SetEvent(int Event);
void ClearEvent(int Event);
bool IsEventSet(int Event);
void CloseEvent(int Event);

}  // namespace serial
