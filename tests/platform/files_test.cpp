#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace platform {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;
using testsupport::ReadFile;
using testsupport::TempFolder;

// Every name the search yields, sorted; empty when it failed.
static Names Find(const std::string& pattern) {
  Names names;
  const bool found = NativeFiles().FindEntries(pattern.c_str(), [&](const char* name) {
    names.emplace_back(name);
    return true;
  });
  EXPECT_EQ(found, !names.empty()) << pattern;
  std::sort(names.begin(), names.end());
  return names;
}

TEST(ExclusiveFile, ReadWriteTruncateRoundTripWhileRefusedToOthers) {
  TempFolder folder;
  const std::string path = folder.Write("page.htm", "0123456789");
  {
    const auto file = NativeFiles().OpenExclusive(path.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(NativeFiles().OpenExclusive(path.c_str()), nullptr) << "held: a second open fails";
    uint64_t size = 0;
    EXPECT_TRUE(file->Size(size));
    EXPECT_EQ(size, 10u);
    char buffer[16] = {};
    EXPECT_EQ(file->ReadFromStart(buffer, sizeof buffer), 10) << "short only at the end";
    EXPECT_EQ(std::string(buffer, 10), "0123456789");
    EXPECT_EQ(file->WriteFromStart("abc", 3), 3);
    EXPECT_TRUE(file->Truncate(3));
    EXPECT_EQ(file->ReadFromStart(buffer, sizeof buffer), 3) << "reads start at 0 again";
  }
  EXPECT_NE(NativeFiles().OpenExclusive(path.c_str()), nullptr) << "closing must release it";
  EXPECT_EQ(ReadFile(path), "abc");
}

TEST(FindEntries, MatchesWithoutCaseNeverEnteringFolders) {
  TempFolder folder;
  for (const char* name : {"A.JS", "b.js", "c.jsx", "d.js.txt", "p[1].htm", "sub/e.js"}) {
    folder.Write(name, "");
  }
  EXPECT_EQ(Find(folder.Path("*.js")), (Names{"A.JS", "b.js"}));
  EXPECT_EQ(Find(folder.Path("a.js")), Names{"A.JS"}) << "a plain name finds its stored spelling";
  EXPECT_EQ(Find(folder.Path("p[1].htm")), Names{"p[1].htm"}) << "brackets are plain characters";
  EXPECT_EQ(Find(folder.Path("*")), (Names{"A.JS", "b.js", "c.jsx", "d.js.txt", "p[1].htm", "sub"}))
      << "folders are listed, . and .. never";
  EXPECT_TRUE(Find(folder.Path("nowhere/*.js")).empty());
}

TEST(RemoveFile, DeletesFilesButNotFoldersOrReadOnlyFiles) {
  TempFolder folder;
  const std::string file = folder.Write("x.js", "");
  EXPECT_TRUE(NativeFiles().RemoveFile(file.c_str()));
  EXPECT_EQ(NativeFiles().Kind(file.c_str()), PathKind::Missing);
  const std::string sub = folder.Path("sub.js");
  fs::create_directory(sub);
  EXPECT_FALSE(NativeFiles().RemoveFile(sub.c_str()));
  // Writable again afterwards: Windows removes no read-only file with its folder.
  const std::string kept = folder.Write("kept.js", "keep");
  const auto writeBits = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
  fs::permissions(kept, writeBits, fs::perm_options::remove);
  EXPECT_FALSE(NativeFiles().RemoveFile(kept.c_str()));
  EXPECT_EQ(NativeFiles().OpenExclusive(kept.c_str()), nullptr) << "nor opened for writing";
  fs::permissions(kept, writeBits, fs::perm_options::add);
  EXPECT_EQ(ReadFile(kept), "keep");
}

TEST(RenameNoReplace, RenamesButNeverReplaces) {
  TempFolder folder;
  const std::string to = folder.Path("page.htm");
  EXPECT_TRUE(NativeFiles().RenameNoReplace(folder.Write("a.html", "page").c_str(), to.c_str()));
  const std::string other = folder.Write("other.html", "other");
  EXPECT_FALSE(NativeFiles().RenameNoReplace(other.c_str(), to.c_str()));
  EXPECT_EQ(ReadFile(to), "page");
  EXPECT_EQ(ReadFile(other), "other");
}

}  // namespace platform
