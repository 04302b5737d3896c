// The worker's way to the window: the caption and each result travel to the
// window's thread as queued calls, in the order the worker makes them; the
// worker never touches a widget.
#pragma once

#include <memory>
#include <mutex>

#include "job/result_sink.h"

namespace qt {

class CPageDlg;

class WindowSink final : public job::ResultSink {
 public:
  // The window from its opening on; null once it closes, from when on every
  // result is freed by the worker. Called on the window's thread.
  void SetWindow(CPageDlg* window);

  // Queues the caption for the window; returns at once.
  void JobStarted(const char* name) override;

  // Queues the result for the window, which then owns it; a result still
  // queued when the window is destroyed is freed with the queued call.
  // False (the result is freed) when there is no window.
  bool Deliver(std::unique_ptr<job::JobResult> result) override;

 private:
  // Held while a call is queued, so that the window cannot be let go
  // between the test that it exists and the queuing.
  std::mutex mutex_;
  CPageDlg* window_ = nullptr;
};

}  // namespace qt
