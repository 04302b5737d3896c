#include "page/page_file.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "tests/page/memory_file.h"
#include "tests/support/temp_folder.h"

namespace {

using testsupport::FileFaults;
using testsupport::MemoryFile;

const std::string kPage("<html>\0tail after a NUL</html>", 30);

TEST(ReadWholeFile, ReadsEveryByteNulsIncluded) {
  std::string disk = kPage;
  MemoryFile file(disk, {});
  std::string bytes;
  ASSERT_TRUE(page::ReadWholeFile(file, bytes));
  EXPECT_EQ(bytes, kPage);
}

TEST(ReadWholeFile, RefusesWhatItCannotReadWhole) {
  struct Case {
    const char* name;
    FileFaults faults;
    int reads;  // a size out of range is refused before any read
  };
  const Case cases[] = {
      {"size cannot be read", FileFaults().SizeFails(), 0},
      {"size of exactly 2 GiB", FileFaults().ReportSize(uint64_t{1} << 31), 0},
      // Its low 32 bits say 5: only the full size may count.
      {"size of 4 GiB and 5 bytes", FileFaults().ReportSize((uint64_t{1} << 32) + 5), 0},
      {"read comes up short", FileFaults().ReadLimit(7), 1},
      {"read returns nothing", FileFaults().ReadLimit(0), 1},
  };
  for (const Case& c : cases) {
    std::string disk = kPage;
    MemoryFile file(disk, c.faults);
    std::string bytes = "stale";
    EXPECT_FALSE(page::ReadWholeFile(file, bytes)) << c.name;
    EXPECT_TRUE(bytes.empty()) << c.name;
    EXPECT_EQ(disk, kPage) << c.name;
    EXPECT_EQ(file.reads, c.reads) << c.name;
    EXPECT_EQ(file.writes + file.truncates, 0) << c.name;
  }
}

TEST(ReplaceFileContents, PutsShorterAndLongerContentsInPlace) {
  for (const std::string& replacement : {std::string("short"), kPage + kPage, std::string()}) {
    std::string disk = kPage;
    MemoryFile file(disk, {});
    EXPECT_TRUE(page::ReplaceFileContents(file, replacement, kPage));
    EXPECT_EQ(disk, replacement);
  }
}

TEST(ReplaceFileContents, FailedWriteLeavesTheOriginalBytesAndLength) {
  struct Case {
    const char* name;
    std::string replacement;
    FileFaults faults;
  };
  const Case cases[] = {
      {"shorter write fails outright", "short", FileFaults().FailWrite(1)},
      {"shorter write stops part-way", "short", FileFaults().FailWrite(1, 3)},
      {"longer write stops past the old end",
       kPage + kPage,
       FileFaults().FailWrite(1, 45)},
      {"cutting the file fails", "short", FileFaults().FailTruncate(1)},
  };
  for (const Case& c : cases) {
    std::string disk = kPage;
    MemoryFile file(disk, c.faults);
    EXPECT_FALSE(page::ReplaceFileContents(file, c.replacement, kPage)) << c.name;
    EXPECT_EQ(disk, kPage) << c.name;
  }
}

TEST(PageFileOnDisk, ReplacedFileReadsBackWhole) {
  testsupport::TempFolder folder;
  const std::string path = folder.Write("page.htm", kPage);
  {
    const auto file = platform::Files().OpenExclusive(path.c_str());
    ASSERT_TRUE(file);
    std::string bytes;
    ASSERT_TRUE(page::ReadWholeFile(*file, bytes));
    EXPECT_EQ(bytes, kPage);
    ASSERT_TRUE(page::ReplaceFileContents(*file, "new", bytes));
  }
  EXPECT_EQ(testsupport::ReadFile(path), "new");
}

}  // namespace
