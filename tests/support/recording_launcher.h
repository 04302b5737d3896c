// Stands in for the start of the archiver: records what it was asked to
// start and answers as told, so that the launch is checked without a
// process.
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"

namespace testsupport {

class RecordingLauncher final : public platform::ProcessLauncher {
 public:
  struct Start {
    std::string program;
    std::string format;
    std::vector<std::string> values;
    platform::ProcessOptions options;
  };

  platform::ProcessResult Run(const char* program, const platform::ArgumentFormat& arguments,
                              const platform::ProcessOptions& options) override {
    starts.push_back({program, std::string(arguments.format),
                      {arguments.values.begin(), arguments.values.end()}, options});
    return answer;
  }

  // What each start gets back.
  platform::ProcessResult answer{platform::ProcessResult::Ending::Exited, 0, ""};
  std::vector<Start> starts;
};

}  // namespace testsupport
