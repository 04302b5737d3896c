#include "platform/files.h"

namespace platform {

std::string FirstEntry(FileSystem& files, const char* pattern) {
  std::string first;
  files.FindEntries(pattern, [&first](const char* name) {
    first = name;
    return false;
  });
  return first;
}

}  // namespace platform
