// What the process tests share: a start with an argument text and no values,
// and the archiver stand-in's report.
#pragma once

#include <string>
#include <vector>

#include "platform/process.h"
#include "tests/support/fixtures.h"

namespace platform {

inline ProcessResult RunText(const std::string& program, const std::string& text,
                             const ProcessOptions& options = {}) {
  return Processes().Run(program.c_str(), {text, {}}, options);
}

inline std::vector<std::string> Reported(const std::string& report, const char* key) {
  return testsupport::ReportValues(testsupport::ReadFile(report), key);
}

}  // namespace platform
