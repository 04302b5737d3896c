#include "page/page_cleaner.h"

#include <cstring>
#include <string>
#include <string_view>

#include "page/byte_search.h"
#include "page/charset.h"
#include "page/grow_buffer.h"
#include "page/page_file.h"
#include "page/page_rewrite.h"
#include "platform/files.h"
#include "platform/text.h"

namespace page {
namespace {

// The script deletion builds its paths in buffers of this size.
constexpr size_t kPathCapacity = 1024;
constexpr std::string_view kFolderSuffix = "_files";
constexpr const char* kScriptPattern = "*.js";

// Cuts the page held open in `file`, fills `info` from the cut text and lays
// the page out. Stops, leaving the file as it last was, at the first step
// that cannot be done.
void RewriteOpenPage(platform::ExclusiveFile& file, TitleInfo& info) {
  std::string cut;
  bool utf8 = false;
  {
    std::string original;
    if (!ReadWholeFile(file, original)) return;
    // Sniffed on every page that was read, recognised or not.
    utf8 = SniffCharset(PageText(original).text) == PageCharset::Utf8;
    if (!FirstRewrite(original, cut)) return;
    // A page whose cut cannot be written stays as it was and tells nothing.
    if (!ReplaceFileContents(file, cut, original)) return;
  }
  // The extraction writes NULs into the cut text, which is not used again.
  ExtractTitleInfo(cut.data(), utf8, info);
  cut = std::string();

  std::string current;
  if (!ReadWholeFile(file, current)) return;
  GrowBuffer relaid;
  if (Relayout(current, relaid)) ReplaceFileContents(file, relaid.View(), current);
}

// Deletes the files named "*.js" (letter case ignored) in the page's
// "_files" folder, not in its subfolders. A path that does not fit in the
// path buffers ends the deletion.
void DeleteScripts(const char* path) {
  char folder[kPathCapacity];
  const size_t stemLength = static_cast<size_t>(platform::FindExtension(path) - path);
  if (stemLength + kFolderSuffix.size() >= sizeof folder) return;
  std::memcpy(folder, path, stemLength);
  std::memcpy(folder + stemLength, kFolderSuffix.data(), kFolderSuffix.size());
  folder[stemLength + kFolderSuffix.size()] = '\0';

  char pattern[kPathCapacity];
  platform::CopyText(pattern, sizeof pattern, folder);
  if (!platform::AppendPath(pattern, sizeof pattern, kScriptPattern)) return;

  platform::FileSystem& files = platform::Files();
  files.FindEntries(pattern, [&](const char* name) {
    char script[kPathCapacity];
    platform::CopyText(script, sizeof script, folder);
    if (!platform::AppendPath(script, sizeof script, name)) return false;
    // A script that cannot be deleted (read-only, a folder) is passed by.
    files.RemoveFile(script);
    return true;
  });
}

}  // namespace

void CleanPage(const char* path, TitleInfo& info) {
  // Emptied before anything can fail, so no stale value outlives a page.
  info.Clear();
  if (std::unique_ptr<platform::ExclusiveFile> file = platform::Files().OpenExclusive(path)) {
    RewriteOpenPage(*file, info);
  }
  ApplyClosingRule(info);
  DeleteScripts(path);
}

}  // namespace page
