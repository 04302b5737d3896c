// Looking at a running Velkor window from another process, as a user (or a
// test) would see it: its caption, its log lines, its boxes and its place.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace inspector {

// The visible dialog window ("#32770") of the process (of any process for
// 0), whose caption is `caption` when one is given. Waits up to `waitMs` for it; null if none.
HWND FindDialog(DWORD processId, const char* caption, DWORD waitMs);

// Waits up to `waitMs` until `done` holds; true when it did.
template <typename Condition>
bool WaitFor(Condition done, DWORD waitMs) {
  const ULONGLONG deadline = GetTickCount64() + waitMs;
  for (;;) {
    if (done()) return true;
    if (GetTickCount64() >= deadline) return false;
    Sleep(50);
  }
}

std::string Caption(HWND window);

// The lines of the window's log list (IDC_LOG), top to bottom.
std::vector<std::string> LogLines(HWND window);

bool IsChecked(HWND window, int box);

// Asks the window to open its About box through the system menu's command
// and returns the About box once it shows, or null.
HWND OpenAbout(HWND window, DWORD processId, DWORD waitMs);

// Asks the window to close, as its close box does.
void Close(HWND window);

// Sends a key press to the control that has the focus in the window, as
// typing it would.
void PressKey(HWND window, WPARAM key);

}  // namespace inspector
