#pragma once
namespace serial {
// Raises the calling thread's scheduling priority by Steps nice levels where
// the process is allowed to; otherwise leaves it as it is.
void RaiseThreadPriority(int Steps);
}  // namespace serial
