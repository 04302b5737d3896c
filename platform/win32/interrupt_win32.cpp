#include <windows.h>

#include <atomic>
#include <utility>

#include "platform/interrupt.h"

namespace platform {
namespace {

// The watch in place; the console calls its handler on a thread of its own.
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
  if (!g_called.exchange(true)) (*g_onInterrupt)(status);
  return TRUE;
}

}  // namespace

struct InterruptWatch::State {
  std::function<void(int)> onInterrupt;
};

InterruptWatch::InterruptWatch(std::function<void(int exitStatus)> onInterrupt)
    : state_(std::make_unique<State>()) {
  state_->onInterrupt = std::move(onInterrupt);
  g_onInterrupt = &state_->onInterrupt;
  g_called = false;
  SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
}

InterruptWatch::~InterruptWatch() { SetConsoleCtrlHandler(OnConsoleEvent, FALSE); }

}  // namespace platform
