// Reaching the archiver stand-in (tests/support/archiver_standin.cpp) from a
// test: its path, and what it reported.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#ifndef VELKOR_ARCHIVER_STANDIN
#error "VELKOR_ARCHIVER_STANDIN names the stand-in's executable"
#endif

namespace testsupport {

// The stand-in's path as the program under test names files. The build
// gives a host path; under Wine a host path is reached through drive Z:.
inline std::string ArchiverStandinPath() {
  std::string path = VELKOR_ARCHIVER_STANDIN;
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') {
    for (char& c : path) c = c == '/' ? '\\' : c;
    path = "Z:" + path;
  }
#endif
  return path;
}

// The values of the report's lines that begin with `key` "=", in order.
inline std::vector<std::string> ReportValues(const std::string& report, const std::string& key) {
  std::vector<std::string> values;
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(key + "=", 0) == 0) values.push_back(line.substr(key.size() + 1));
  }
  return values;
}

}  // namespace testsupport
