// Linked only into the tests' build of the program (VelkorTestBuild.exe):
// - when VELKOR_TEST_WINDOW_EVENT names an event, sets it whenever a window
//   of the program is activated and whenever the main window's caption
//   changes, so that a test waits for that instead of looking again and again;
// - when VELKOR_TEST_DROP_FIRST and _SECOND name paths ("|" between them),
//   drops the first ones on the main window as it shows, as the shell drops
//   files, and the second ones while the first drop's first result is handled.
#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>
#include <utility>

#include "app/win32/main_window_sink.h"

namespace {

// The drop data the shell hands a window: a DROPFILES header followed by the
// ANSI paths, each ended by a NUL, and one more NUL (the zeroed memory's).
HDROP MakeDrop(const std::string& list) {
  const HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size() + 2);
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  char* paths = reinterpret_cast<char*>(header + 1);
  for (size_t i = 0; i < list.size(); ++i) paths[i] = list[i] == '|' ? '\0' : list[i];
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

const char* const first = std::getenv("VELKOR_TEST_DROP_FIRST");
const char* second = std::getenv("VELKOR_TEST_DROP_SECOND");  // null once dropped
const char* const eventName = std::getenv("VELKOR_TEST_WINDOW_EVENT");
const HANDLE changed = eventName ? OpenEventA(EVENT_MODIFY_STATE, FALSE, eventName) : nullptr;
WNDPROC original = nullptr;

void TellChanged() {
  if (changed != nullptr) SetEvent(changed);
}

LRESULT CALLBACK WatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(original, window, message, wParam, lParam);
  if (message == WM_SETTEXT) TellChanged();
  if (message == WM_COMMAND && wParam == static_cast<WPARAM>(win32::ID_JOB_DONE) && second) {
    // Sent, not posted: the results queued behind this one land in the emptied log.
    const HDROP drop = MakeDrop(std::exchange(second, nullptr));
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  }
  return result;
}

// On the program's main thread, the first window activated is the main window.
LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && original == nullptr) {
    const auto window = reinterpret_cast<HWND>(wParam);
    original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchMainWindow)));
    if (first && second) {
      PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(first)), 0);
    }
  }
  if (code == HCBT_ACTIVATE) TellChanged();
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

const HHOOK hook = (first && second) || changed != nullptr
                       ? SetWindowsHookExA(WH_CBT, &OnActivate, nullptr, GetCurrentThreadId())
                       : nullptr;

}  // namespace
