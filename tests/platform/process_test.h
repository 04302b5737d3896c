// What the process tests share: starting the archiver stand-in.
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"
#include "tests/support/fixtures.h"

namespace platform {

// Starts `program` with the argument text `format` (no values) and gives
// its exit code, or kNotStarted; what it wrote is kept in `output`.
struct RunStandin {
  static constexpr int kNotStarted = -1000;
  int operator()(const std::string& program, const std::string& format,
                 const ProcessOptions& options);
  std::string output;
};

// The values of the stand-in's report lines that begin with `key` "=".
std::vector<std::string> Reported(const std::string& report, const char* key);

}  // namespace platform
