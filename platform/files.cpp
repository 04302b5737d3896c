#include "platform/files.h"

namespace platform {

int64_t ExclusiveFile::WriteTwoAt(uint64_t offset, std::string_view first,
                                  std::string_view second) {
  const int64_t put = WriteAt(offset, first.data(), first.size());
  if (put != static_cast<int64_t>(first.size())) return put;
  const int64_t rest = WriteAt(offset + first.size(), second.data(), second.size());
  return rest < 0 ? put : put + rest;
}

std::string FirstEntry(FileSystem& files, const char* pattern) {
  std::string first;
  files.FindEntries(pattern, [&first](const char* name) {
    first = name;
    return false;
  });
  return first;
}

}  // namespace platform
