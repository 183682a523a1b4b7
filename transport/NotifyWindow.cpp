#include "transport/NotifyWindow.h"

#include <QCoreApplication>
#include <QEvent>

namespace {
QEvent::Type NoticeEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}
}  // namespace

TNotifyWindow::TNotifyWindow(TDispatcher Dispatch) : Dispatch(std::move(Dispatch)) {
  NoticeEventType();
}

TNotifyWindow::~TNotifyWindow() = default;

bool TNotifyWindow::Post(TNotice&& Notice) noexcept {
  try {
    auto wake = std::make_unique<QEvent>(NoticeEventType());
    {
      std::lock_guard guard(Lock);
      Notice.Generation = Generation;
      Pending.push_back(std::move(Notice));
    }
    QCoreApplication::postEvent(this, wake.release());
    return true;
  } catch (...) {
    return false;
  }
}

bool TNotifyWindow::PostHangup() noexcept { return PostValue(MsgRequestHangup, 0); }

bool TNotifyWindow::PostValue(TNoticeMessage Message, uint32_t Value) noexcept {
  TNotice notice;
  notice.Message = Message;
  notice.Value = Value;
  return Post(std::move(notice));
}

void TNotifyWindow::BeginGeneration() {
  std::lock_guard guard(Lock);
  ++Generation;
}

size_t TNotifyWindow::PendingCount() {
  std::lock_guard guard(Lock);
  return Pending.size();
}

bool TNotifyWindow::event(QEvent* Event) {
  // Taken before the event is looked at: the poster's writes, the event
  // object among them, are then ordered before this thread's reads.
  std::unique_lock guard(Lock);
  if (Event->type() != NoticeEventType()) {
    guard.unlock();
    return QObject::event(Event);
  }
  if (Pending.empty()) return true;
  TNotice notice = std::move(Pending.front());
  Pending.pop_front();
  // A notice of an earlier open would act on a line that is no longer
  // there (a hang-up would close the healthy new one); its block goes with it.
  const bool stale = notice.Generation != Generation;
  guard.unlock();
  if (!stale) Dispatch(notice);
  return true;
}
