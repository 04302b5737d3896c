#include "app/win32/main_window_sink.h"

namespace win32 {

void MainWindowSink::SetCaption(const char* name) {
  const HWND window = window_.load(std::memory_order_acquire);
  if (window != nullptr) SetWindowTextA(window, name);
}

bool MainWindowSink::Deliver(std::unique_ptr<job::JobResult> result) {
  const HWND window = window_.load(std::memory_order_acquire);
  if (window == nullptr || !IsWindow(window)) return false;
  if (!PostMessageA(window, WM_COMMAND, job::ID_JOB_DONE, reinterpret_cast<LPARAM>(result.get()))) {
    return false;
  }
  result.release();  // travels with the message; the window frees it
  return true;
}

}  // namespace win32
