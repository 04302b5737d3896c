#include "page/web_archive_file.h"

#include <memory>
#include <string_view>

#include "page/grow_buffer.h"
#include "page/web_archive.h"
#include "platform/files.h"

namespace page {
namespace {

// Browsers write a few hundred bytes of header fields (the page's address
// and title, the date, the type and its boundary) before the first part.
constexpr size_t kHeadSize = 64 * 1024;

}  // namespace

std::optional<bool> IsWebArchiveFile(const char* path) {
  platform::FileError error;
  const std::unique_ptr<platform::ExclusiveFile> file =
      platform::Files().OpenExclusive(path, error);
  if (!file) return std::nullopt;
  GrowBuffer head;
  char* const room = head.AppendRoom(kHeadSize, kPageStep);
  if (room == nullptr) return std::nullopt;
  const int64_t read = file->ReadFromStart(room, kHeadSize);
  if (read < 0) return std::nullopt;
  return IsWebArchive(head.View().substr(0, static_cast<size_t>(read)));
}

}  // namespace page
