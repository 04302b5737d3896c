#include "platform/process_native.h"

namespace platform {
namespace {

class NativeLauncher final : public ProcessLauncher {
 public:
  ProcessResult Run(const char* program, const ArgumentFormat& arguments,
                    const ProcessOptions& options) override {
    // Once the run is stopped, no archiver is begun any more.
    if (options.stop != nullptr && options.stop->IsSet()) {
      ProcessResult result;
      result.ending = ProcessResult::Ending::Stopped;
      return result;
    }
    return StartAndWait(program, arguments, options);
  }
};

}  // namespace

ProcessLauncher& NativeProcesses() {
  static NativeLauncher launcher;
  return launcher;
}

}  // namespace platform
