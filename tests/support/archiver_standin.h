// The archiver stand-in (archiver_standin.cpp) as the tests reach it.
#pragma once

#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// Its path as the program under test names files (a host path is on drive Z: under Wine).
inline std::string ArchiverStandinPath() {
  std::string path = VELKOR_ARCHIVER_STANDIN;
#ifdef _WIN32
  if (path[0] == '/') path = "Z:" + path;
#endif
  return path;
}

// The values of the report's lines that begin with `key` "=", in order.
inline std::vector<std::string> ReportValues(const std::string& report, const std::string& key) {
  std::vector<std::string> values;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);)
    if (line.starts_with(key + "=")) values.push_back(line.substr(key.size() + 1));
  return values;
}

}  // namespace testsupport
