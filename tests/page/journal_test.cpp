// The journal's bytes, and the states an interrupted write leaves beside a page saved again.
#include "page/journal.h"
#include "page/page_state.h"

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

// The previous release wrote its hand-written hash under "checksum="; neither key passes for
// the other.
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
  const std::string names[] = {"page.htm" + std::string(kJournalSuffix),
                               KeptJournalPath("page.htm", 1), KeptJournalPath("page.htm", 2)};
  EXPECT_EQ(names[1], "page.htm.velkor-journal-kept");
  EXPECT_EQ(names[2], "page.htm.velkor-journal-kept-2");
  for (const std::string& name : names) {
    const std::string extension = name.substr(name.rfind('.'));
    EXPECT_EQ(extension.find("htm"), std::string::npos) << name;
    EXPECT_EQ(extension.find("HTM"), std::string::npos) << name;
    EXPECT_LT("page.htm", name);
    EXPECT_LT(name, "page_files") << "it sorts between the page and its folder";
  }
}

// One that does not parse may go only when each byte is its page's journal's there, or a zero.
TEST(Journal, OneCutShortWhileWrittenIsToldFromOneThatHoldsMore) {
  const std::string page = "<html>" + std::string(700, 'p') + "</html>";
  const std::string whole = std::string(JournalHeader(page, true).View()) + page;
  const std::string legacy =
      std::string(JournalHeader(page, false, JournalFormat::Legacy).View()) + page;
  for (const std::string& written : {whole, legacy})  // the previous release's as well
    for (size_t length = 0; length <= written.size(); length += 37)
      EXPECT_TRUE(IsJournalOfUntouchedPage(written.substr(0, length), page)) << length;
  std::string headerLost = whole;
  std::fill(headerLost.begin(), headerLost.begin() + 60, '\0');
  EXPECT_TRUE(IsJournalOfUntouchedPage(headerLost, page));
  EXPECT_TRUE(IsJournalOfUntouchedPage(std::string(500, '\0'), page));

  std::string edited = whole.substr(0, 400);
  edited[300] = 'q';
  EXPECT_FALSE(IsJournalOfUntouchedPage(edited, page)) << "a byte the page lacks";
  const std::string other = std::string(JournalHeader(page + "x", false).View()) + page;
  EXPECT_FALSE(IsJournalOfUntouchedPage(other, page)) << "the journal of another original";
  EXPECT_FALSE(IsJournalOfUntouchedPage(whole + "x", page));
}

// Original 10 bytes of A; rewritten shorter (b) and longer (c).
TEST(Journal, TellsTheStatesOfAnInterruptedWriteFromAPageSavedAgain) {
  using enum PageState;
  const std::string original = "AAAAAAAAAA";
  const std::string shorter = "bbbbbb";
  const std::string longer = "cccccccccccccc";
  const std::tuple<std::string, std::string, PageState> cases[] = {
      {original, shorter, Original},
      {shorter, shorter, Final},
      {"bbbAAAAAAA", shorter, CutWrite},    // written in part
      {"bbbbbbAAAA", shorter, CutWrite},    // written, not yet cut
      {"bbbAAA", shorter, CutWrite},        // the cut kept, the rest of the write lost
      {"AAAAAA", shorter, CutWrite},        // the same, none of the write
      {"AAAbbb", shorter, CutRollback},     // put back in part
      {"AAAAAAAA", shorter, CutRollback},   // put back past the rewritten length
      {"AAAAbAAAAA", shorter, Other},       // one byte edited to the rewritten one's
      {"AAAbbbAAAA", shorter, Other},       // old, new and old again
      {"bbbbbbAA", shorter, Other},         // a write is cut in one step
      {"bbbbbXAAAA", shorter, Other},       // a byte of neither
      {"AAAAAAAAAAA", shorter, Other},
      {"cccccAAAAA", longer, CutWrite},
      {"cccccccccccc", longer, CutWrite},   // grown in part
      {"AAAAAccccccccc", longer, CutRollback},
      {"AAAAAAAAAAcc", longer, CutRollback},
      {"AAAAAAAAAAAAAA", longer, Other},
      {"AAAAAAAAA", longer, Other},
  };
  for (const auto& [page, rewritten, expected] : cases)
    EXPECT_EQ(ClassifyPage(page, original, rewritten), expected) << page << " / " << rewritten;
}

}  // namespace
}  // namespace page
