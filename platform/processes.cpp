#include <chrono>
#include <thread>

#include "platform/process_native.h"

namespace platform {
namespace {

// A start refused for a moment is tried this many times in all, the pause
// before each new try growing by this much.
constexpr int kStartAttempts = 3;
constexpr std::chrono::milliseconds kStartPause{100};

class NativeLauncher final : public ProcessLauncher {
 public:
  ProcessResult Run(const char* program, const ArgumentFormat& arguments,
                    const ProcessOptions& options) override {
    return StartAskingAgain([&] {
      // Once the run is stopped, no archiver is begun any more.
      if (options.stop != nullptr && options.stop->IsSet()) {
        ProcessResult result;
        result.ending = ProcessResult::Ending::Stopped;
        return result;
      }
      return StartAndWait(program, arguments, options);
    });
  }
};

}  // namespace

ProcessResult StartAskingAgain(const std::function<ProcessResult()>& start) {
  for (int attempt = 1;; ++attempt) {
    ProcessResult result = start();
    if (result.ending != ProcessResult::Ending::NotStarted || !result.mayStartLater ||
        attempt == kStartAttempts) {
      return result;
    }
    std::this_thread::sleep_for(kStartPause * attempt);
  }
}

ProcessLauncher& NativeProcesses() {
  static NativeLauncher launcher;
  return launcher;
}

}  // namespace platform
