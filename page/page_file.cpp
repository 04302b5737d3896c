#include "page/page_file.h"

#include <new>

namespace page {
namespace {

bool WriteAll(platform::ExclusiveFile& file, std::string_view bytes) {
  return file.WriteFromStart(bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size());
}

}  // namespace

bool ReadWholeFile(platform::ExclusiveFile& file, std::string& bytes) {
  bytes.clear();
  uint64_t size = 0;
  if (!file.Size(size) || size > kMaxPageSize) return false;
  try {
    bytes.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (file.ReadFromStart(bytes.data(), bytes.size()) != static_cast<int64_t>(size)) {
    bytes.clear();
    return false;
  }
  return true;
}

bool ReplaceFileContents(platform::ExclusiveFile& file, std::string_view replacement,
                         std::string_view original) {
  if (WriteAll(file, replacement) && file.Truncate(replacement.size())) return true;
  // The new bytes may stand in the file in part: put the page back as it was.
  if (WriteAll(file, original)) file.Truncate(original.size());
  return false;
}

}  // namespace page
