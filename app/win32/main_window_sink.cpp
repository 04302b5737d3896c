#include "app/win32/main_window_sink.h"

#include "platform/win32/wide_text.h"

namespace win32 {

void MainWindowSink::SetWindow(HWND window) {
  std::lock_guard lock(posting_);
  window_.store(window, std::memory_order_release);
}

void MainWindowSink::JobStarted(const char* name) {
  const HWND window = window_.load(std::memory_order_acquire);
  if (window != nullptr) SetWindowTextW(window, platform::WideText(name).get());
}

bool MainWindowSink::Deliver(std::unique_ptr<job::JobResult> result) {
  // Posting never waits for the window's thread, so holding the lock here
  // cannot block it.
  std::lock_guard lock(posting_);
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr || !IsWindow(window)) return false;
  if (!PostMessageW(window, WM_COMMAND, ID_JOB_DONE, reinterpret_cast<LPARAM>(result.get()))) {
    return false;
  }
  result.release();  // travels with the message; the window frees it
  return true;
}

}  // namespace win32
