#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <thread>
#include <utility>

#include "platform/interrupt.h"

namespace platform {
namespace {

// The handler only writes the signal's number into this pipe; a thread of
// the watch reads it and does the rest, where anything may be done.
int g_pipe[2] = {-1, -1};

void OnSignal(int number) {
  const int saved = errno;
  const char byte = static_cast<char>(number);
  // The write end does not block: a full pipe means that signals are
  // already waiting, and this one is dropped instead of stopping the
  // program inside its handler. Nothing is lost, since only the first
  // signal counts.
  [[maybe_unused]] const ssize_t written = write(g_pipe[1], &byte, 1);
  errno = saved;
}

constexpr int kSignals[] = {SIGINT, SIGTERM};
// Tells the thread to end.
constexpr char kEnd = 0;

class SignalWatch final : public InterruptWatch {
 public:
  explicit SignalWatch(std::function<void(int)> onInterrupt)
      : onInterrupt_(std::move(onInterrupt)) {
    if (pipe2(g_pipe, O_CLOEXEC) != 0) return;
    fcntl(g_pipe[1], F_SETFL, fcntl(g_pipe[1], F_GETFL) | O_NONBLOCK);
    reader_ = std::thread([this] {
      bool called = false;
      for (;;) {
        char byte = kEnd;
        const ssize_t got = read(g_pipe[0], &byte, 1);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0 || byte == kEnd) return;
        if (!std::exchange(called, true)) onInterrupt_(128 + byte);
      }
    });
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    // Calls the signal breaks off are made again, as far as the system can.
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kSignals); ++i) {
      // A signal ignored from the start (a batch started in the background
      // by a shell) stays ignored, as the shell meant.
      sigaction(kSignals[i], nullptr, &earlier_[i]);
      if (earlier_[i].sa_handler != SIG_IGN) sigaction(kSignals[i], &action, nullptr);
    }
  }

  ~SignalWatch() override {
    if (!reader_.joinable()) return;
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &earlier_[i], nullptr);
    // The end must get through: a pipe full of signals is waited on until
    // the thread has read some.
    const char end = kEnd;
    while (write(g_pipe[1], &end, 1) < 0 && (errno == EINTR || errno == EAGAIN)) {
      pollfd room{g_pipe[1], POLLOUT, 0};
      poll(&room, 1, -1);
    }
    reader_.join();
    close(g_pipe[0]);
    close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
  }

 private:
  std::function<void(int)> onInterrupt_;
  struct sigaction earlier_[2] = {};
  std::thread reader_;
};

}  // namespace

std::unique_ptr<InterruptWatch> WatchSystemInterrupts(std::function<void(int)> onInterrupt) {
  return std::make_unique<SignalWatch>(std::move(onInterrupt));
}

}  // namespace platform
