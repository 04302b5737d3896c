#include "page/link_repair.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"
#include "tests/page/memory_file.h"
#include "tests/support/temp_folder.h"

namespace {

using namespace std::string_literals;

const std::string kUtf8Head = "<head><meta content=\"text/html; charset=utf-8\"></head>";
const std::string kKoi8Head = "<head><meta content=\"text/html; charset=koi8-r\"></head>";
const std::string kOtherHead = "<head><meta content=\"text/html; charset=windows-1251\"></head>";

// The repaired page, or "<nothing>" when the repair has nothing to write.
std::string Repair(const std::string& page) {
  page::GrowBuffer out;
  if (!page::RepairLinksInText(page, out)) return "<nothing>";
  return std::string(out.View());
}

struct Case {
  const char* name;
  std::string head;
  std::string body;
  std::string expected;  // the repaired body
};

void ExpectRepairs(const Case* begin, const Case* end) {
  for (const Case* c = begin; c != end; ++c) {
    EXPECT_EQ(Repair(c->head + c->body), c->head + c->expected) << c->name;
  }
}

TEST(RepairLinksInText, PutsDecodedNamesIntoThePagesCharset) {
  const Case cases[] = {
      {"utf-8 page", kUtf8Head, "<img src=\"page_files/%CF%F0.jpg\">",
       "<img src=\"page_files/\xD0\x9F\xD1\x80.jpg\">"},
      {"koi8-r page", kKoi8Head, "<img src=\"page_files/%CF%F0.jpg\">",
       "<img src=\"page_files/\xF0\xD2.jpg\">"},
      {"any other page keeps the decoded bytes", kOtherHead, "<img src=\"page_files/%CF%F0.jpg\">",
       "<img src=\"page_files/\xCF\xF0.jpg\">"},
      {"no declaration at all", "", "<img src=\"page_files/%CF%F0.jpg\">",
       "<img src=\"page_files/\xCF\xF0.jpg\">"},
      {"decoded bytes are read as Windows-1251 even when they look like UTF-8", kUtf8Head,
       "<img src=\"page_files/%D0%9F.jpg\">", "<img src=\"page_files/\xD0\xA0\xD1\x9F.jpg\">"},
      {"raw bytes of a decoded link are converted too", kUtf8Head,
       "<img src=\"page_files/\xCF%F0.jpg\">", "<img src=\"page_files/\xD0\x9F\xD1\x80.jpg\">"},
      {"every link of the page", kOtherHead,
       "<img src=\"a_files/%41\"><br><img src=\"a_files/%42\">",
       "<img src=\"a_files/A\"><br><img src=\"a_files/B\">"},
  };
  ExpectRepairs(std::begin(cases), std::end(cases));
}

TEST(RepairLinksInText, LeavesLinksWithNothingToDecodeAlone) {
  const Case cases[] = {
      {"no _files at all", kUtf8Head, "<img src=\"a/%CF.jpg\"> \xCF\xF0",
       "<img src=\"a/%CF.jpg\"> \xCF\xF0"},
      {"no percent sequence: raw bytes are not converted", kUtf8Head,
       "<img src=\"page_files/\xCF\xF0.jpg\">", "<img src=\"page_files/\xCF\xF0.jpg\">"},
      {"lower-case hex digits only, beside a raw byte", kUtf8Head,
       "<img src=\"page_files/\xCF%cf.jpg\">", "<img src=\"page_files/\xCF%cf.jpg\">"},
      {"_files with a capital is no occurrence", kOtherHead, "<a href=\"page_Files/%41\">",
       "<a href=\"page_Files/%41\">"},
      {"a percent sign without two digits stays", kOtherHead,
       "<a href=\"page_files/100%.jpg?%ZZ%41\">", "<a href=\"page_files/100%.jpg?%ZZA\">"},
      {"a link that would decode to a NUL stays as it stood", kUtf8Head,
       "<a href=\"page_files/%41%00.jpg\">", "<a href=\"page_files/%41%00.jpg\">"},
  };
  ExpectRepairs(std::begin(cases), std::end(cases));
}

TEST(RepairLinksInText, FindsEachLinkBetweenItsNearestQuotes) {
  const Case cases[] = {
      {"a link holding _files twice is repaired once", kOtherHead,
       "<a href=\"x_files/y_files/%2541\">", "<a href=\"x_files/y_files/%41\">"},
      {"an occurrence outside any attribute takes the text between the nearest quotes",
       kOtherHead, "<a href=\"x\">page_files %41</a><img src=\"y\">",
       "<a href=\"x\">page_files A</a><img src=\"y\">"},
      {"no quote before it: no link", "", "page_files/%41 \"x\"", "page_files/%41 \"x\""},
      {"no quote after it: no link", kOtherHead, "<p>\"a\" page_files/%41",
       "<p>\"a\" page_files/%41"},
      {"after an unquoted occurrence the search goes on", "",
       "page_files/%41 <img src=\"b_files/%41\">", "page_files/%41 <img src=\"b_files/A\">"},
  };
  ExpectRepairs(std::begin(cases), std::end(cases));
}

TEST(RepairLinksInText, CarriesEverythingFromTheFirstNulOver) {
  struct NulCase {
    const char* name;
    std::string page;
    std::string expected;
  };
  const NulCase cases[] = {
      {"tail after a repaired link", "<img src=\"a_files/%41\">\0\"b_files/%41\"\0end"s,
       "<img src=\"a_files/A\">\0\"b_files/%41\"\0end"s},
      {"a closing quote after the NUL does not count", "\"a_files/%41\0\"b\""s,
       "\"a_files/%41\0\"b\""s},
      {"a UTF-16 page keeps all its bytes",
       "<\0i\0m\0g\0 \0s\0r\0c\0=\0\"\0a\0_\0f\0i\0l\0e\0s\0/\0%\0004\0001\0\"\0"s,
       "<\0i\0m\0g\0 \0s\0r\0c\0=\0\"\0a\0_\0f\0i\0l\0e\0s\0/\0%\0004\0001\0\"\0"s},
  };
  for (const NulCase& c : cases) {
    EXPECT_EQ(Repair(c.page), c.expected) << c.name;
  }
  // Nothing before the NUL: nothing to write, so the file stays as it is.
  EXPECT_EQ(Repair("\0\"a_files/%41\""s), "<nothing>");
  EXPECT_EQ(Repair(""), "<nothing>");
}

class RepairSavedLinksOnDisk : public ::testing::Test {
 protected:
  testsupport::TempFolder folder_;
};

TEST_F(RepairSavedLinksOnDisk, RewritesThePageInPlaceAndASecondRunChangesNothing) {
  const std::string page = kUtf8Head + "<img src=\"page_files/%CF%F0%20%E8.jpg\"><p>text</p>";
  const std::string repaired =
      kUtf8Head + "<img src=\"page_files/\xD0\x9F\xD1\x80 \xD0\xB8.jpg\"><p>text</p>";
  const std::string path = folder_.Write("page.htm", page);

  page::RepairSavedLinks(path.c_str());
  EXPECT_EQ(testsupport::ReadFile(path), repaired);
  page::RepairSavedLinks(path.c_str());
  EXPECT_EQ(testsupport::ReadFile(path), repaired);
}

TEST_F(RepairSavedLinksOnDisk, LeavesAPageHeldByAnotherOpenerUntouched) {
  const std::string page = kOtherHead + "<img src=\"page_files/%41.jpg\">";
  const std::string path = folder_.Write("page.htm", page);
  {
    const auto holder = platform::Files().OpenExclusive(path.c_str());
    ASSERT_TRUE(holder);
    page::RepairSavedLinks(path.c_str());
  }
  // Read only after the holder let go: on Windows nobody may read it before.
  EXPECT_EQ(testsupport::ReadFile(path), page);
  // Once it is let go the same page is repaired: the hold was the reason.
  page::RepairSavedLinks(path.c_str());
  EXPECT_EQ(testsupport::ReadFile(path), kOtherHead + "<img src=\"page_files/A.jpg\">");
}

TEST_F(RepairSavedLinksOnDisk, KeepsEveryByteOfUtf16AndNulHoldingPages) {
  const std::string utf16 = "\xFF\xFE<\0a\0 \0h\0r\0e\0f\0=\0\"\0p\0_\0f\0i\0l\0e\0s\0/\0%\0"
                            "4\0001\0\"\0>\0"s;
  const std::string withNul = "<img src=\"a_files/%41\">\0\"b_files/%41\"\r\n"s;
  const std::string utf16Path = folder_.Write("utf16.htm", utf16);
  const std::string nulPath = folder_.Write("with_nul.htm", withNul);

  page::RepairSavedLinks(utf16Path.c_str());
  page::RepairSavedLinks(nulPath.c_str());

  EXPECT_EQ(testsupport::ReadFile(utf16Path), utf16);
  EXPECT_EQ(testsupport::ReadFile(nulPath), "<img src=\"a_files/A\">\0\"b_files/%41\"\r\n"s);
}

TEST_F(RepairSavedLinksOnDisk, MissingAndEmptyFilesStayAsTheyAre) {
  const std::string missing = folder_.Path("missing.htm");
  page::RepairSavedLinks(missing.c_str());
  EXPECT_EQ(testsupport::ReadFile(missing), "<missing>");

  const std::string empty = folder_.Write("empty.htm", "");
  page::RepairSavedLinks(empty.c_str());
  EXPECT_EQ(testsupport::ReadFile(empty), "");
}

TEST(RepairSavedLinksFaults, AFailingDiskNeverCostsThePageItsBytes) {
  const std::string page = kOtherHead + "<img src=\"a_files/%41%42%43%44%45%46%47.jpg\">";
  struct FaultCase {
    const char* name;
    testsupport::FileFaults faults;
  };
  const FaultCase cases[] = {
      {"the write stops part-way", testsupport::FileFaults().FailWrite(1, 20)},
      {"the write fails", testsupport::FileFaults().FailWrite(1)},
      {"the file cannot be cut", testsupport::FileFaults().FailTruncate(1)},
      {"the read comes up short", testsupport::FileFaults().ReadLimit(10)},
      {"the size cannot be read", testsupport::FileFaults().SizeFails()},
  };
  for (const FaultCase& c : cases) {
    std::string disk = page;
    testsupport::MemoryFileSystem files(disk, c.faults);
    const platform::ScopedFileSystem scoped(files);
    page::RepairSavedLinks("page.htm");
    EXPECT_EQ(disk, page) << c.name;
  }
}

}  // namespace
