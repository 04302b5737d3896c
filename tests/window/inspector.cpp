#include "tests/window/inspector.h"

#include <cstring>

#include "res/resource.h"

namespace inspector {
namespace {

struct Search {
  DWORD processId;
  const char* caption;
  HWND found;
};

BOOL CALLBACK Visit(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  char className[16] = {};
  GetClassNameA(window, className, sizeof className);
  if ((search.processId != 0 && owner != search.processId) ||
      std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) {
    return TRUE;
  }
  if (search.caption != nullptr && Caption(window) != search.caption) return TRUE;
  search.found = window;
  return FALSE;
}

}  // namespace

HWND FindDialog(DWORD processId, const char* caption, DWORD waitMs) {
  Search search{processId, caption, nullptr};
  WaitFor(
      [&] {
        EnumWindows(&Visit, reinterpret_cast<LPARAM>(&search));
        return search.found != nullptr;
      },
      waitMs);
  return search.found;
}

std::string Caption(HWND window) {
  char text[1024] = {};
  GetWindowTextA(window, text, sizeof text);
  return text;
}

std::vector<std::string> LogLines(HWND window) {
  // Read as UTF-16 and converted here: Wine hands another process the
  // ANSI form of a list's text unconverted.
  const HWND list = GetDlgItem(window, IDC_LOG);
  std::vector<std::string> lines;
  const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    if (length < 0) break;
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide.data()));
    std::string line(wide.size() * 2, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, line.data(),
                                          static_cast<int>(line.size()), nullptr, nullptr);
    line.resize(bytes > 0 ? static_cast<size_t>(bytes) - 1 : 0);
    lines.push_back(line);
  }
  return lines;
}

bool IsChecked(HWND window, int box) {
  return SendMessageA(GetDlgItem(window, box), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

HWND OpenAbout(HWND window, DWORD processId, DWORD waitMs) {
  PostMessageA(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  return FindDialog(processId, "О программе", waitMs);
}

void Close(HWND window) { PostMessageA(window, WM_CLOSE, 0, 0); }

void PressKey(HWND window, WPARAM key) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  const DWORD thread = GetWindowThreadProcessId(window, nullptr);
  const HWND target =
      GetGUIThreadInfo(thread, &gui) && gui.hwndFocus != nullptr ? gui.hwndFocus : window;
  PostMessageA(target, WM_KEYDOWN, key, 1);
  PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

}  // namespace inspector
