#include "app/qt/window_sink.h"

#include <QMetaObject>
#include <QString>
#include <utility>

#include "app/qt/page_dlg.h"

namespace qt {

void WindowSink::SetWindow(CPageDlg* window) {
  std::lock_guard lock(mutex_);
  window_ = window;
}

void WindowSink::JobStarted(const char* name) {
  std::lock_guard lock(mutex_);
  if (window_ == nullptr) return;
  // The name is copied now: the worker's buffer changes with the next job.
  QMetaObject::invokeMethod(
      window_,
      [window = window_, caption = QString::fromUtf8(name)] { window->setWindowTitle(caption); },
      Qt::QueuedConnection);
}

bool WindowSink::Deliver(std::unique_ptr<job::JobResult> result) {
  // Queuing never waits for the window's thread, so holding the lock here
  // cannot block it.
  std::lock_guard lock(mutex_);
  if (window_ == nullptr) return false;
  // The call owns the result until the window takes it; Qt deletes a call
  // still queued for a destroyed window, and the result with it.
  QMetaObject::invokeMethod(
      window_,
      [window = window_, result = std::move(result)]() mutable {
        window->OnJobDone(std::move(result));
      },
      Qt::QueuedConnection);
  return true;
}

}  // namespace qt
