// The script deletion never reaches outside the page's own "_files" folder: not through a
// "_files" that is a link or a junction, not through a script that is a link.
#include "page/script_deletion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "tests/support/folder_link.h"
#include "tests/support/host_path.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

// A page "Linked.htm" whose "Linked_files" leads to a folder "elsewhere" holding two scripts;
// the folder holding both, or empty when no link can be made here.
fs::path LinkedPage(const testsupport::TempFolder& folder) {
  if (testsupport::MakeFolderLink(folder.Path("Linked_files"), folder.Path("elsewhere"))) {
    return folder.path();
  }
#ifdef VELKOR_HOST_LINK_DIR
  // Under Wine: a link made on the host by the test's set-up, which Wine shows as a reparse
  // point.
  std::cout << "no folder link can be made here; one made on the host stands in\n";
  const fs::path host = testsupport::HostPath(VELKOR_HOST_LINK_DIR);
  fs::remove_all(host / "elsewhere");
  fs::create_directories(host / "elsewhere");
  return host;
#else
  return {};
#endif
}

TEST(DeleteScripts, NeverLeavesThePagesOwnFolder) {
  testsupport::TempFolder folder;
  fs::create_directory(folder.path() / "elsewhere");
  const fs::path place = LinkedPage(folder);
  ASSERT_FALSE(place.empty()) << "no folder link can be made here";
  for (const char* script : {"app.js", "lib.js"}) {
    std::ofstream(place / "elsewhere" / script) << "kept";
  }
  DeleteScripts((place / "Linked.htm").string().c_str());
  for (const char* script : {"app.js", "lib.js"}) {
    EXPECT_EQ(ReadFile((place / "elsewhere" / script).string()), "kept") << script;
  }
  // In a "_files" of its own, a script that is a link goes as a link; what it leads to stays.
  // (Where the system makes no file links, there is no such script.)
  folder.Write("Own_files/site.js", "x");
  std::error_code noLinks;
  fs::create_symlink(place / "elsewhere" / "lib.js", folder.path() / "Own_files" / "shared.js",
                     noLinks);
  DeleteScripts(folder.Path("Own.htm").c_str());
  EXPECT_TRUE(fs::is_empty(folder.path() / "Own_files"));
  EXPECT_EQ(ReadFile((place / "elsewhere" / "lib.js").string()), "kept");
}

}  // namespace
}  // namespace page
