#pragma once
// The component's hidden window: a QObject living on the thread that created
// the component. Worker threads queue notices here and each notice wakes the
// owning thread with one posted event, so the handlers run there, in the
// order the notices were queued, even after the port has been closed.
// Each notice carries the open it was posted in; once the port is opened
// again, what an earlier open left behind is dropped unraised.
#include <QObject>

#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>

#include "transport/Notices.h"

class TNotifyWindow : public QObject {
 public:
  using TDispatcher = std::function<void(TNotice&)>;

  explicit TNotifyWindow(TDispatcher Dispatch);
  ~TNotifyWindow() override;

  // Callable from any thread. False when the notice could not be queued.
  bool Post(TNotice&& Notice) noexcept;
  bool PostHangup() noexcept;
  bool PostValue(TNoticeMessage Message, uint32_t Value) noexcept;

  // A new open of the port begins (owner's thread, no worker running):
  // notices queued before are dropped when their turn comes.
  void BeginGeneration();
  // Notices queued and not yet raised or dropped.
  size_t PendingCount();

 protected:
  bool event(QEvent* Event) override;

 private:
  TDispatcher Dispatch;
  // Guards Pending. Qt's own queue locking is invisible to ThreadSanitizer;
  // this lock also makes each hand-over, and the posted event, visible to it.
  std::mutex Lock;
  std::deque<TNotice> Pending;
  uint32_t Generation = 0;  // guarded by Lock
};
