// A path of the build machine as the program under test names it: under
// Wine a host path lies on drive Z:.
#pragma once

#include <string>

namespace testsupport {

inline std::string HostPath(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
  return path;
}

}  // namespace testsupport
