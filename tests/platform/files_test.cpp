#include "platform/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/temp_folder.h"

namespace platform {
namespace {

using testsupport::ReadFile;
using testsupport::TempFolder;

constexpr auto kWriteBits = std::filesystem::perms::owner_write |
                           std::filesystem::perms::group_write |
                           std::filesystem::perms::others_write;

// Marks a file read-only until the end of the scope, so that the temporary
// folder can be removed afterwards on Windows as well.
class ReadOnlyScope {
 public:
  explicit ReadOnlyScope(std::string path) : path_(std::move(path)) {
    std::filesystem::permissions(path_, kWriteBits, std::filesystem::perm_options::remove);
  }
  ~ReadOnlyScope() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add, ignored);
  }
  ReadOnlyScope(const ReadOnlyScope&) = delete;
  ReadOnlyScope& operator=(const ReadOnlyScope&) = delete;

 private:
  std::string path_;
};

// Every name the search yields, in the order yielded; empty when it failed.
std::vector<std::string> Find(const std::string& pattern) {
  std::vector<std::string> names;
  const bool found = NativeFiles().FindEntries(pattern.c_str(), [&](const char* name) {
    names.emplace_back(name);
    return true;
  });
  EXPECT_EQ(found, !names.empty()) << pattern;
  return names;
}

TEST(OpenExclusive, RefusedWhileAnotherOpenerHoldsTheFile) {
  TempFolder folder;
  const std::string path = folder.Write("page.htm", "text");
  {
    auto first = NativeFiles().OpenExclusive(path.c_str());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(NativeFiles().OpenExclusive(path.c_str()), nullptr);
  }
  EXPECT_NE(NativeFiles().OpenExclusive(path.c_str()), nullptr) << "closing must release it";
}

TEST(OpenExclusive, RefusesMissingFilesFoldersAndReadOnlyFiles) {
  TempFolder folder;
  EXPECT_EQ(NativeFiles().OpenExclusive(folder.Path("missing.htm").c_str()), nullptr);
  std::filesystem::create_directory(folder.Path("sub"));
  EXPECT_EQ(NativeFiles().OpenExclusive(folder.Path("sub").c_str()), nullptr);
  const std::string readOnly = folder.Write("locked.htm", "text");
  const ReadOnlyScope readOnlyScope(readOnly);
  EXPECT_EQ(NativeFiles().OpenExclusive(readOnly.c_str()), nullptr);
  EXPECT_EQ(ReadFile(readOnly), "text");
}

TEST(ExclusiveFile, ReadWriteTruncateRoundTrip) {
  TempFolder folder;
  const std::string path = folder.Write("page.htm", "0123456789");
  {
    auto file = NativeFiles().OpenExclusive(path.c_str());
    ASSERT_NE(file, nullptr);
    uint64_t size = 0;
    ASSERT_TRUE(file->Size(size));
    EXPECT_EQ(size, 10u);

    char buffer[16] = {};
    EXPECT_EQ(file->ReadFromStart(buffer, sizeof buffer), 10) << "short only at the end";
    EXPECT_EQ(std::string(buffer, 10), "0123456789");

    EXPECT_EQ(file->WriteFromStart("abc", 3), 3);
    ASSERT_TRUE(file->Truncate(3));
    ASSERT_TRUE(file->Size(size));
    EXPECT_EQ(size, 3u);
    EXPECT_EQ(file->ReadFromStart(buffer, sizeof buffer), 3) << "reads start at 0 again";
    EXPECT_EQ(std::string(buffer, 3), "abc");
  }
  EXPECT_EQ(ReadFile(path), "abc");

  // A page of a few megabytes goes through in whole, however the OS splits it.
  std::string big(5 << 20, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + i / 251);
  {
    auto file = NativeFiles().OpenExclusive(path.c_str());
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->WriteFromStart(big.data(), big.size()), static_cast<int64_t>(big.size()));
    std::string back(big.size(), 'x');
    EXPECT_EQ(file->ReadFromStart(back.data(), back.size()), static_cast<int64_t>(big.size()));
    EXPECT_TRUE(back == big);
  }
  EXPECT_TRUE(ReadFile(path) == big);
}

TEST(FindEntries, MatchesWildcardsWithoutCaseAndWithoutDescending) {
  TempFolder folder;
  folder.Write("A.JS", "");
  folder.Write("b.js", "");
  folder.Write("c.jsx", "");
  folder.Write("d.js.txt", "");
  folder.Write("sub/e.js", "");
  std::vector<std::string> names = Find(folder.Path("*.js"));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"A.JS", "b.js"}));

  EXPECT_EQ(Find(folder.Path("?.JSX")), std::vector<std::string>{"c.jsx"});
  EXPECT_EQ(Find(folder.Path("a.js")), std::vector<std::string>{"A.JS"})
      << "a name without wildcards finds that entry under its stored name";
  EXPECT_EQ(Find(folder.Path("sub")), std::vector<std::string>{"sub"}) << "folders are listed";
  EXPECT_TRUE(Find(folder.Path("*.css")).empty());
  EXPECT_TRUE(Find(folder.Path("nowhere/*.js")).empty());
}

TEST(FindEntries, NeverListsDotEntriesAndStopsWhenAsked) {
  TempFolder folder;
  folder.Write("one.htm", "");
  folder.Write("two.htm", "");
  folder.Write("page[1].htm", "");
  std::vector<std::string> all = Find(folder.Path("*"));
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<std::string>{"one.htm", "page[1].htm", "two.htm"}));
  EXPECT_EQ(Find(folder.Path("page[1].htm")), std::vector<std::string>{"page[1].htm"})
      << "brackets in a name are plain characters";

  int visits = 0;
  EXPECT_TRUE(NativeFiles().FindEntries(folder.Path("*.htm").c_str(), [&](const char*) {
    ++visits;
    return false;
  }));
  EXPECT_EQ(visits, 1);
}

TEST(Kind, TellsFilesFoldersAndMissingPaths) {
  TempFolder folder;
  const std::string file = folder.Write("page.htm", "");
  EXPECT_EQ(NativeFiles().Kind(file.c_str()), PathKind::File);
  EXPECT_EQ(NativeFiles().Kind(folder.path().string().c_str()), PathKind::Folder);
  EXPECT_EQ(NativeFiles().Kind(folder.Path("missing").c_str()), PathKind::Missing);
}

TEST(RemoveFile, DeletesFilesButNotFoldersOrReadOnlyFiles) {
  TempFolder folder;
  const std::string file = folder.Write("x.js", "");
  EXPECT_TRUE(NativeFiles().RemoveFile(file.c_str()));
  EXPECT_EQ(NativeFiles().Kind(file.c_str()), PathKind::Missing);
  EXPECT_FALSE(NativeFiles().RemoveFile(file.c_str()));

  const std::string sub = folder.Path("sub.js");
  std::filesystem::create_directory(sub);
  EXPECT_FALSE(NativeFiles().RemoveFile(sub.c_str()));
  EXPECT_EQ(NativeFiles().Kind(sub.c_str()), PathKind::Folder);

  const std::string readOnly = folder.Write("kept.js", "keep");
  const ReadOnlyScope readOnlyScope(readOnly);
  EXPECT_FALSE(NativeFiles().RemoveFile(readOnly.c_str()));
  EXPECT_EQ(ReadFile(readOnly), "keep");
}

TEST(RenameNoReplace, RenamesButNeverReplaces) {
  TempFolder folder;
  const std::string from = folder.Write("page.html", "page");
  const std::string to = folder.Path("page.htm");
  EXPECT_TRUE(NativeFiles().RenameNoReplace(from.c_str(), to.c_str()));
  EXPECT_EQ(ReadFile(to), "page");
  EXPECT_EQ(NativeFiles().Kind(from.c_str()), PathKind::Missing);

  const std::string other = folder.Write("other.html", "other");
  EXPECT_FALSE(NativeFiles().RenameNoReplace(other.c_str(), to.c_str()));
  EXPECT_EQ(ReadFile(to), "page");
  EXPECT_EQ(ReadFile(other), "other");
  EXPECT_FALSE(NativeFiles().RenameNoReplace(folder.Path("gone.html").c_str(),
                                             folder.Path("new.htm").c_str()));
}

}  // namespace
}  // namespace platform
