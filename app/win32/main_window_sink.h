// The worker's way to the main window: the process-wide copy of the
// window's handle, and the two calls the worker makes through it.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "job/result_sink.h"

namespace win32 {

// The command that carries a JobResult to the main window.
inline constexpr int ID_JOB_DONE = 24987;

class MainWindowSink final : public job::ResultSink {
 public:
  // The main window from its initialisation on; null once it is destroyed.
  // Once it returns null, no result is posted any more.
  void SetWindow(HWND window);

  // Sets the caption to the page's name; returns once the window's thread
  // has handled it.
  void JobStarted(const char* name) override;

  // Posts WM_COMMAND with ID_JOB_DONE and the result to the window, which
  // then owns it. False (the result is freed) when there is no window or
  // its queue refuses the message.
  bool Deliver(std::unique_ptr<job::JobResult> result) override;

 private:
  std::atomic<HWND> window_{nullptr};
  // Held while a result is posted, so that the window cannot be let go
  // between the test that it exists and the posting.
  std::mutex posting_;
};

}  // namespace win32
