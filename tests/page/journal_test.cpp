// The journal's bytes: a journal cut short or damaged anywhere is told apart
// from a whole one, and the states an interrupted write leaves are told apart
// from a page saved again.
#include "page/journal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>

namespace page {
namespace {

using namespace std::string_literals;

TEST(Journal, AWholeJournalGivesBackItsPageAndACutOrDamagedOneNothing) {
  const std::string original = "<html>\0\xFF page \n"s + std::string(300, 'x');
  for (const JournalFormat format : {JournalFormat::Xxh3, JournalFormat::Legacy}) {
    SCOPED_TRACE(static_cast<int>(format));
    const std::string journal =
        std::string(JournalHeader(original, true, format).View()) + original;
    JournalContents contents;
    ASSERT_TRUE(ParseJournal(journal, contents));
    EXPECT_EQ(contents.original, original);
    EXPECT_TRUE(contents.repairLinks);
    ASSERT_TRUE(ParseJournal(JournalHeader("", false).View(), contents))
        << "an empty page has a journal";
    EXPECT_EQ(contents.original, "");
    EXPECT_FALSE(contents.repairLinks);

    for (size_t length = 0; length < journal.size(); ++length)
      EXPECT_FALSE(ParseJournal(journal.substr(0, length), contents)) << "cut at " << length;
    for (size_t at = 0; at < journal.size(); ++at) {
      std::string damaged = journal;
      damaged[at] = static_cast<char>(damaged[at] ^ 0x01);
      EXPECT_FALSE(ParseJournal(damaged, contents)) << "byte " << at << " changed";
  }
  // A block of zeros where a power cut left the journal's end unwritten.
  std::string zeroed = journal;
  std::fill(zeroed.end() - 64, zeroed.end(), '\0');
  EXPECT_FALSE(ParseJournal(zeroed, contents));
  EXPECT_FALSE(ParseJournal(journal + "x", contents)) << "a longer journal is no journal";
  }
}

// What the previous release wrote (its hand-written hash under "checksum=")
// is still read; a journal written now names XXH3, and neither key passes
// for the other.
TEST(Journal, ReadsThePreviousReleasesJournalsAndNamesItsOwnHash) {
  const std::string page = "<html><body>Kaze</body></html>\n";
  const std::string previous[] = {
      "VELKOR-JOURNAL 1 fix=0 length=31 checksum=14e9d5f93a326d5b\n" + page,
      "VELKOR-JOURNAL 1 fix=1 length=31 checksum=02bfb248a40514a2\n" + page};
  for (const bool fix : {false, true}) {
    JournalContents contents;
    ASSERT_TRUE(ParseJournal(previous[fix], contents)) << fix;
    EXPECT_EQ(contents.original, page);
    EXPECT_EQ(contents.repairLinks, fix);
    EXPECT_EQ(std::string(JournalHeader(page, fix, JournalFormat::Legacy).View()) + page,
              previous[fix]);
  }
  const std::string header(JournalHeader(page, true).View());
  EXPECT_TRUE(header.starts_with("VELKOR-JOURNAL 2 fix=1 length=31 xxh3=")) << header;
  EXPECT_NE(header, JournalHeader(page, false).View()) << "the choice is in the sum";
  JournalContents contents;
  std::string swapped = previous[0];
  swapped.replace(swapped.find("1 fix"), 1, "2");
  EXPECT_FALSE(ParseJournal(swapped, contents));
  swapped = header + page;
  swapped.replace(swapped.find("2 fix"), 1, "1");
  EXPECT_FALSE(ParseJournal(swapped, contents));
}

TEST(Journal, NamesItselfAfterItsPageWithoutAnHtmExtension) {
  for (const std::string_view suffix : {kJournalSuffix, kKeptJournalSuffix}) {
    const std::string name = "page.htm" + std::string(suffix);
    const std::string extension = name.substr(name.rfind('.'));
    EXPECT_EQ(extension.find("htm"), std::string::npos) << name;
    EXPECT_EQ(extension.find("HTM"), std::string::npos) << name;
    EXPECT_LT("page.htm", name);
    EXPECT_LT(name, "page_files") << "it sorts between the page and its folder";
  }
}

TEST(Journal, TellsTheStatesOfAnInterruptedWriteFromAPageSavedAgain) {
  const std::string original = "AAAAAAAAAA";  // 10 bytes
  const std::string shorter = "bbbbbb";       // written over it, then cut to 6
  const std::string longer = "cccccccccccccc";
  const std::tuple<std::string, std::string, bool> cases[] = {
      {original, shorter, true},
      {shorter, shorter, true},
      {"bbbAAAAAAA", shorter, true},   // written in part
      {"bbbbbbAAAA", shorter, true},   // written, not yet cut
      {"AAAbbbAAAA", shorter, true},   // later blocks first, as a power cut may leave them
      {"bbbbbbAA", shorter, false},    // a cut is one step: no length between
      {"bbbbbXAAAA", shorter, false},  // a byte of neither
      {"cccccAAAAA", longer, true},
      {"cccccccccccc", longer, true},  // grown in part
      {"AAAAAAAAAAAAAA", longer, false},
      {"AAAAAAAAA", longer, false},
  };
  for (const auto& [page, rewritten, expected] : cases)
    EXPECT_EQ(IsInterruptedWrite(page, original, rewritten), expected)
        << page << " / " << rewritten;
  EXPECT_TRUE(IsInterruptedWrite("", "", ""));
  EXPECT_FALSE(IsInterruptedWrite("x", "", ""));
}

}  // namespace
}  // namespace page
