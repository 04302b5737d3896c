#include "page/script_deletion.h"

#include <cstddef>
#include <string>
#include <string_view>

#include "page/charset.h"
#include "page/files_folder.h"
#include "platform/files.h"
#include "platform/text.h"

namespace page {
namespace {

// The script deletion builds its paths in buffers of this size.
constexpr size_t kPathCapacity = 1024;

// Scripts end in ".js", except that Chrome (and every browser built on it)
// adds ".download" to each script it saves, so that opening one from a file
// manager runs nothing. One search finds both; what else it finds (".json",
// ".jsx") stays.
constexpr const char* kScriptPattern = "*.js*";
constexpr std::string_view kScriptEndings[] = {".js", ".js.download"};

bool IsScript(std::string_view name) {
  for (const std::string_view ending : kScriptEndings) {
    if (name.size() >= ending.size() &&
        EqualsAsciiNoCase(name.substr(name.size() - ending.size()), ending)) {
      return true;
    }
  }
  return false;
}

}  // namespace

void DeleteScripts(const char* path) {
  char folder[kPathCapacity];
  if (!platform::CopyText(folder, sizeof folder,
                          FilesFolder(path, BareNameFolder::StemAndSuffix).c_str())) {
    return;
  }

  char pattern[kPathCapacity];
  platform::CopyText(pattern, sizeof pattern, folder);
  if (!platform::AppendPath(pattern, sizeof pattern, kScriptPattern)) return;

  platform::FileSystem& files = platform::Files();
  // A "_files" that is a link (or a junction) leads out of the page's own
  // folder, to files the user never handed us: it is not entered.
  if (files.IsLink(folder)) return;
  files.FindEntries(pattern, [&](const char* name) {
    if (!IsScript(name)) return true;
    char script[kPathCapacity];
    platform::CopyText(script, sizeof script, folder);
    if (!platform::AppendPath(script, sizeof script, name)) return false;
    // A script that cannot be deleted (read-only, a folder) is passed by; a
    // script that is a link is deleted itself, never what it leads to.
    files.RemoveFile(script);
    return true;
  });
}

}  // namespace page
