// The "_files" folder that a browser saves beside a page, holding the
// page's images, style sheets and scripts.
#pragma once

#include <string>

namespace page {

// What a page path whose last component has no extension ("Saved/Name")
// gives as its folder; with an extension, both give "Saved/Name_files".
enum class BareNameFolder {
  // "Saved/Name_files": the stem, the whole path here, and the suffix. The
  // script deletion looks there, where a browser saving "Name" puts the
  // folder.
  StemAndSuffix,
  // "Saved/Name": the path unchanged, since there is no extension to put
  // the suffix in place of. The archiver's third value has always been
  // this, and it is kept so: the intake takes only pages whose extension
  // holds "htm", so no page queued from a drop, a folder or a command line
  // meets this rule.
  PagePath,
};

// The "_files" folder of the page at `pagePath`: the path with "_files" in
// place of the extension of its last component (a dot in a folder's name is
// no extension), and for a path without one what `bareName` says.
std::string FilesFolder(const char* pagePath, BareNameFolder bareName);

}  // namespace page
