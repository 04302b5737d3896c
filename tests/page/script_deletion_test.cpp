// The "_files" folder's rules: where it is, and a script deletion that never reaches outside
// it: not through a "_files" that is a link or a junction, not through a script that is a
// link, not through a path that does not fit.
#include "page/script_deletion.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <tuple>
#include <vector>

#include "page/files_folder.h"
#include "platform/text.h"
#include "tests/support/forwarding_files.h"
#include "tests/support/fixtures.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

// A page "Linked.htm" whose "Linked_files" leads to a folder "elsewhere" holding two scripts;
// the folder holding both, or empty when no link can be made here. (Wine 8 makes no junction
// and no symbolic link, though it may say it made one.)
fs::path LinkedPage(const testsupport::TempFolder& folder) {
  std::error_code noLink;
  fs::create_directory_symlink(folder.Path("elsewhere"), folder.Path("Linked_files"), noLink);
  if (fs::is_symlink(fs::symlink_status(folder.Path("Linked_files"), noLink))) {
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

// A disk whose script search finds `entries`, recording what was searched and removed.
struct ScriptFolder final : testsupport::ForwardingFiles {
  bool FindEntries(const char* pattern, const std::function<bool(const char*)>& visit) override {
    searched.push_back(pattern);
    for (const std::string& entry : entries) {
      if (!visit(entry.c_str())) break;
    }
    return !entries.empty();
  }
  bool RemoveFile(const char* path) override {
    removed.push_back(path);
    return true;
  }
  std::vector<std::string> entries, searched, removed;
};

TEST(DeleteScripts, PathsThatDoNotFitEndTheDeletion) {
  ScriptFolder disk;
  disk.entries = {"a.js"};
  const platform::ScopedFileSystem scoped(disk);
  const std::string stem(1012, 'p');
  const std::string folder = stem + "_files" + platform::kPathSeparator;
  DeleteScripts((stem + ".htm").c_str());                    // the pattern takes 1023 bytes
  DeleteScripts((stem + "p.htm").c_str());                   // one byte more: no search
  DeleteScripts((std::string(1018, 'p') + ".htm").c_str());  // the folder alone fills 1024
  // A file name that does not fit beside the folder ends the deletion.
  disk.entries = {std::string(10, 'n') + ".js", "a.js"};
  DeleteScripts((stem + ".htm").c_str());
  EXPECT_EQ(disk.searched, (std::vector<std::string>{folder + "*.js", folder + "*.js"}));
  EXPECT_EQ(disk.removed, std::vector<std::string>{folder + "a.js"});
}

TEST(FilesFolder, TakesThePlaceOfTheExtensionAndForABareNameFollowsTheNamedRule) {
  const std::string dir = std::string("Saved") + platform::kPathSeparator + "my.pages" +
                          platform::kPathSeparator;
  const std::tuple<std::string, BareNameFolder, std::string> cases[] = {
      {dir + "page.htm", BareNameFolder::StemAndSuffix, dir + "page_files"},
      {dir + "page.htm", BareNameFolder::PagePath, dir + "page_files"},
      {"a.b.html", BareNameFolder::PagePath, "a.b_files"},
      // The folder's dot is no extension.
      {dir + "page", BareNameFolder::StemAndSuffix, dir + "page_files"},
      {dir + "page", BareNameFolder::PagePath, dir + "page"},
  };
  for (const auto& [path, rule, folder] : cases) EXPECT_EQ(FilesFolder(path.c_str(), rule), folder);
}

}  // namespace
}  // namespace page
