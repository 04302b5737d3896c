// Linked only into the tests' build of the program (VelkorDropTest.exe).
// When VELKOR_TEST_DROP_FIRST names paths ("|" between them), it drops them
// on the main window as the shell would, with a real drop handle; when the
// first of their results has been handled, it drops the paths of
// VELKOR_TEST_DROP_SECOND at once, while the first drop's other jobs are
// still pending.
#include <windows.h>
// After windows.h, which they need.
#include <shellapi.h>
#include <shlobj.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "job/job_records.h"
#include "tests/window/inspector.h"

namespace {

std::vector<std::string> SplitList(const char* list) {
  std::vector<std::string> paths;
  std::string path;
  for (const char* at = list;; ++at) {
    if (*at == '|' || *at == '\0') {
      if (!path.empty()) paths.push_back(std::move(path));
      path.clear();
      if (*at == '\0') return paths;
    } else {
      path += *at;
    }
  }
}

// The drop data the shell hands a window: a DROPFILES header followed by the
// ANSI paths, each ended by a NUL, and one more NUL.
HDROP MakeDrop(const std::vector<std::string>& paths) {
  size_t room = sizeof(DROPFILES) + 1;
  for (const std::string& path : paths) room += path.size() + 1;
  HGLOBAL memory = GlobalAlloc(GHND, room);
  if (memory == nullptr) return nullptr;
  auto* header = static_cast<DROPFILES*>(GlobalLock(memory));
  header->pFiles = sizeof(DROPFILES);
  header->fWide = FALSE;
  char* at = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
  for (const std::string& path : paths) {
    std::memcpy(at, path.c_str(), path.size() + 1);
    at += path.size() + 1;
  }
  GlobalUnlock(memory);
  return static_cast<HDROP>(memory);
}

WNDPROC original = nullptr;
HDROP secondDrop = nullptr;

LRESULT CALLBACK WatchResults(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const LRESULT result = CallWindowProcA(original, window, message, wParam, lParam);
  if (message == WM_COMMAND && wParam == static_cast<WPARAM>(job::ID_JOB_DONE) &&
      secondDrop != nullptr) {
    // Sent, not posted: the results already queued behind this one are
    // handled only after the drop, so they land in the emptied log.
    SendMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(std::exchange(secondDrop, nullptr)),
                 0);
  }
  return result;
}

void DropTwice(std::string first, std::string second) {
  const HWND window = inspector::FindDialog(GetCurrentProcessId(), nullptr, 60000);
  if (window == nullptr) return;
  secondDrop = MakeDrop(SplitList(second.c_str()));
  original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WatchResults)));
  PostMessageA(window, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(SplitList(first.c_str()))),
               0);
}

struct Injector {
  Injector() {
    const char* first = std::getenv("VELKOR_TEST_DROP_FIRST");
    const char* second = std::getenv("VELKOR_TEST_DROP_SECOND");
    if (first != nullptr && second != nullptr) std::thread(DropTwice, first, second).detach();
  }
} injector;

}  // namespace
