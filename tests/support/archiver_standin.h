// The archiver stand-in (archiver_standin.cpp) as the tests reach it.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/host_path.h"

namespace testsupport {

// Its path as the program under test names files.
inline std::string ArchiverStandinPath() { return HostPath(VELKOR_ARCHIVER_STANDIN); }

// The values of the report's lines that begin with `key` "=", in order.
inline std::vector<std::string> ReportValues(const std::string& report, const std::string& key) {
  std::vector<std::string> values;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(key + "=")) values.push_back(line.substr(key.size() + 1));
  return values;
}

}  // namespace testsupport
