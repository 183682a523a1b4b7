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

bool TNotifyWindow::event(QEvent* Event) {
  if (Event->type() != NoticeEventType()) return QObject::event(Event);
  TNotice notice;
  {
    std::lock_guard guard(Lock);
    if (Pending.empty()) return true;
    notice = std::move(Pending.front());
    Pending.pop_front();
  }
  Dispatch(notice);
  return true;
}
