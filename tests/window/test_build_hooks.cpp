// Linked only into VelkorTestBuild.exe. Sets the event VELKOR_TEST_WINDOW_EVENT names whenever
// a window is activated or the main window's caption changes, so that a test waits instead of
// looking again and again. Drops the paths of VELKOR_TEST_DROP_FIRST ("|" between them) on the
// main window as it shows, and those of VELKOR_TEST_DROP_SECOND at the first drop's first result.
#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <string>
#include <utility>

#include "app/win32/main_window_sink.h"

namespace {

// The variable's value, read in UTF-16 as the names in it are; empty when unset.
std::wstring Variable(const wchar_t* name) {
  std::wstring value(GetEnvironmentVariableW(name, nullptr, 0), L'\0');
  const auto room = static_cast<DWORD>(value.size());
  const DWORD length = GetEnvironmentVariableW(name, value.data(), room);
  value.resize(length);
  return value;
}

// The drop data the shell hands a window: a DROPFILES header followed by the
// UTF-16 paths, each ended by a NUL, and one more NUL (the zeroed memory's).
HDROP MakeDrop(const std::wstring& list) {
  const HGLOBAL memory =
      GlobalAlloc(GHND, sizeof(DROPFILES) + (list.size() + 2) * sizeof(wchar_t));
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = TRUE;
  wchar_t* paths = reinterpret_cast<wchar_t*>(header + 1);
  for (size_t i = 0; i < list.size(); ++i) paths[i] = list[i] == L'|' ? L'\0' : list[i];
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

const std::wstring first = Variable(L"VELKOR_TEST_DROP_FIRST");
std::wstring second = Variable(L"VELKOR_TEST_DROP_SECOND");  // emptied once dropped
const std::wstring eventName = Variable(L"VELKOR_TEST_WINDOW_EVENT");
const HANDLE changed =
    eventName.empty() ? nullptr : OpenEventW(EVENT_MODIFY_STATE, FALSE, eventName.c_str());
WNDPROC original = nullptr;

void TellChanged() {
  if (changed != nullptr) SetEvent(changed);
}

LRESULT CALLBACK WatchMainWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
  if (message == WM_SETTEXT) TellChanged();
  if (message == WM_COMMAND && wParam == static_cast<WPARAM>(win32::ID_JOB_DONE) &&
      !second.empty()) {
    // Sent, not posted: the results queued behind this one land in the emptied log.
    const HDROP drop = MakeDrop(std::exchange(second, std::wstring()));
    SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
  }
  return result;
}

// On the program's main thread, the first window activated is the main window.
LRESULT CALLBACK OnActivate(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && original == nullptr) {
    const auto window = reinterpret_cast<HWND>(wParam);
    original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchMainWindow)));
    if (!first.empty()) {
      PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(first)), 0);
    }
  }
  if (code == HCBT_ACTIVATE) TellChanged();
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

const HHOOK hook = !first.empty() || changed != nullptr
                       ? SetWindowsHookExW(WH_CBT, &OnActivate, nullptr, GetCurrentThreadId())
                       : nullptr;

}  // namespace
