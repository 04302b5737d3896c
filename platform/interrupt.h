// Ctrl+C and the request to terminate, for the batch command line: they end
// its run in order instead of killing it on the spot.
#pragma once

#include <functional>
#include <memory>

namespace platform {

// While it lives, the first SIGINT or SIGTERM (on Windows the console's
// Ctrl+C or Ctrl+Break) calls back once, on a thread of its own, with the
// exit status a shell gives for that signal: 130 for SIGINT and Ctrl+C, 143
// for SIGTERM and Ctrl+Break. Later ones are taken and ignored, so that the
// run can end in order; a signal ignored when the watch begins stays
// ignored. Its end gives the signals back their earlier handling. One watch
// at a time.
class InterruptWatch {
 public:
  virtual ~InterruptWatch() = default;
};

// The system's own watch; the running process hands it out (system.h).
std::unique_ptr<InterruptWatch> WatchSystemInterrupts(std::function<void(int)> onInterrupt);

}  // namespace platform
