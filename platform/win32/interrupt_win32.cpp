#include <windows.h>

#include <atomic>
#include <mutex>
#include <utility>

#include "platform/interrupt.h"

namespace platform {
namespace {

// The watch in place; the console calls its handler on a thread of its own.
// The handler runs the callback under the lock, so a watch that goes waits
// for a call already running instead of leaving it with what it has freed.
std::mutex g_watchLock;
std::function<void(int)>* g_onInterrupt = nullptr;
std::atomic<bool> g_called{false};

BOOL WINAPI OnConsoleEvent(DWORD event) {
  int status = 0;
  if (event == CTRL_C_EVENT) {
    status = 130;
  } else if (event == CTRL_BREAK_EVENT) {
    status = 143;
  } else {
    return FALSE;  // closing the console or logging off: the system's way
  }
  const std::lock_guard lock(g_watchLock);
  if (g_onInterrupt != nullptr && !g_called.exchange(true)) (*g_onInterrupt)(status);
  return TRUE;
}

class ConsoleWatch final : public InterruptWatch {
 public:
  explicit ConsoleWatch(std::function<void(int)> onInterrupt)
      : onInterrupt_(std::move(onInterrupt)) {
    {
      const std::lock_guard lock(g_watchLock);
      g_onInterrupt = &onInterrupt_;
      g_called = false;
    }
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  }
  ~ConsoleWatch() override {
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
    const std::lock_guard lock(g_watchLock);
    g_onInterrupt = nullptr;
  }

 private:
  std::function<void(int)> onInterrupt_;
};

}  // namespace

std::unique_ptr<InterruptWatch> WatchSystemInterrupts(std::function<void(int)> onInterrupt) {
  return std::make_unique<ConsoleWatch>(std::move(onInterrupt));
}

}  // namespace platform
