#include "app/intake.h"

#include <cstring>
#include <new>
#include <utility>

#include "platform/command_line.h"
#include "platform/files.h"
#include "platform/text.h"

namespace app {
namespace {

constexpr const char* kFolderPattern = "*.*htm*";

// The folder that `folderPart` (a path up to and with its last separator)
// names, written without that separator as a dropped folder is, unless that
// would change what it names ("/", "D:\"): then with "." after it.
std::string FolderItself(std::string folderPart) {
  const size_t length = folderPart.size();
  if (length > 1 && platform::IsPathSeparator(folderPart[length - 1]) &&
      !platform::IsPathSeparator(folderPart[length - 2]) && folderPart[length - 2] != ':') {
    folderPart.pop_back();
  } else {
    folderPart += '.';
  }
  return folderPart;
}

// Room, in bytes, of a folder-search path: a character the system counts
// as one takes at most three bytes of UTF-8.
constexpr size_t kSearchPathBytes = 3 * kSearchPathCapacity;

// `folder` and `name` joined into `path`: false when the result does not
// keep within the room of a search path as the system counts it.
bool JoinSearchPath(char (&path)[kSearchPathBytes], const char* folder, const char* name) {
  return platform::CopyText(path, sizeof path, folder) &&
         platform::AppendPath(path, sizeof path, name) &&
         platform::PathLength(path) < kSearchPathCapacity;
}

}  // namespace

bool PassesExtensionTest(const char* path) {
  const char* extension = platform::FindExtension(path);
  return std::strstr(extension, "htm") != nullptr || std::strstr(extension, "HTM") != nullptr;
}

int32_t ResolveLongName(const char* path, char (&resolved)[sizeof job::JobRequest::path]) {
  if (!platform::CopyText(resolved, sizeof resolved, path)) return job::STATUS_PATH_TOO_LONG;
  const char* name = platform::FindFileName(path);
  // "." and ".." name a folder by its place, not by a stored name; a search
  // for them yields the folder's own name, which does not stand here.
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return job::STATUS_OK;

  const std::string stored = platform::Files().StoredName(path);
  if (stored.empty()) return job::STATUS_OK;
  // The folder part is kept as given; only the last component changes. A
  // stored name too long for the room leaves the path as given, which
  // still names the same file.
  std::string full(path, name);
  // Every folder but a root lists its own entry "." first: a wildcard that
  // matches it stands for the folder itself, so "D:\x\*" queues the pages of
  // D:\x.
  full = stored == "." ? FolderItself(std::move(full)) : full + stored;
  if (full.size() < sizeof resolved) platform::CopyText(resolved, sizeof resolved, full.c_str());
  return job::STATUS_OK;
}

Intake::Intake(job::JobPoster& worker, const OptionBoxes& boxes)
    : worker_(worker), boxes_(boxes) {}

void Intake::ParseCommandLine(const char* argumentText) {
  TakeCommandLine(platform::SplitCommandLine(argumentText));
}

void Intake::TakeCommandLine(const std::vector<std::string>& paths) {
  const size_t refusedBefore = refusedInAll_;
  QueueBatch(paths);
  autoClose_ = refusedInAll_ == refusedBefore ? pendingJobs_ : 0;
}

void Intake::QueueBatch(const std::vector<std::string>& paths) {
  worker_.Hold();
  for (const std::string& path : paths) QueueInput(path.c_str());
  worker_.Release();
}

void Intake::QueueInput(const char* path) {
  char resolved[sizeof job::JobRequest::path];
  if (const int32_t refused = ResolveLongName(path, resolved); refused != job::STATUS_OK) {
    Refuse(refused == job::STATUS_PATH_TOO_LONG ? path : resolved, refused);
    return;
  }
  if (platform::Files().Kind(resolved) == platform::PathKind::Folder) {
    QueueFolder(resolved);
  } else {
    // A path that does not exist passes or fails on its extension alone.
    QueueFile(resolved);
  }
}

void Intake::QueueFolder(const char* folder) {
  char pattern[kSearchPathBytes];
  if (!JoinSearchPath(pattern, folder, kFolderPattern)) {
    // Its pages cannot even be listed: the folder itself is refused.
    Refuse(folder, job::STATUS_PATH_TOO_LONG);
    return;
  }
  platform::Files().FindEntries(pattern, [this, folder](const char* name) {
    // What is no page is passed by silently, as ever; a page that cannot be
    // taken is refused, never dropped unseen.
    if (!PassesExtensionTest(name)) return true;
    char candidate[kSearchPathBytes];
    if (!JoinSearchPath(candidate, folder, name)) {
      // Named in full, joined as the candidate would have been.
      std::vector<char> full(std::strlen(folder) + std::strlen(name) + 2);
      platform::CopyText(full.data(), full.size(), folder);
      platform::AppendPath(full.data(), full.size(), name);
      Refuse(full.data(), job::STATUS_PATH_TOO_LONG);
    } else if (const platform::PathKind kind = platform::Files().Kind(candidate);
               kind == platform::PathKind::File) {
      QueueFile(candidate);
    } else if (kind == platform::PathKind::Folder || platform::Files().IsLink(candidate)) {
      // Subfolders are never entered, whatever their names; one named like
      // a page, or a link named so that leads nowhere, is said to be passed.
      Refuse(candidate, job::STATUS_PAGE_NOT_A_FILE);
    }
    return true;
  });
}

void Intake::QueueFile(const char* path) {
  if (!PassesExtensionTest(path)) return;
  if (std::unique_ptr<job::JobRequest> request = CreateJobRequest(path)) {
    PostJobRequest(std::move(request));
  }
}

std::unique_ptr<job::JobRequest> Intake::CreateJobRequest(const char* path) const {
  std::unique_ptr<job::JobRequest> request(new (std::nothrow) job::JobRequest{});
  if (!request || !platform::CopyText(request->path, sizeof request->path, path)) return nullptr;
  request->archive = boxes_.ArchiveChecked() ? 1 : 0;
  request->fix = boxes_.FixChecked() ? 1 : 0;
  return request;
}

void Intake::PostJobRequest(std::unique_ptr<job::JobRequest> request) {
  if (request && worker_.Post(std::move(request))) ++pendingJobs_;
}

void Intake::OnResult(int32_t status) {
  --pendingJobs_;
  if (status != job::STATUS_OK) autoClose_ = 0;
}

void Intake::Refuse(std::string path, int32_t status) {
  refusals_.push_back({std::move(path), status});
  ++refusedInAll_;
  autoClose_ = 0;
}

std::vector<Refusal> Intake::TakeRefusals() { return std::exchange(refusals_, {}); }

}  // namespace app
