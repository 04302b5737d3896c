// The page file: held, read once, written once through its journal, and
// never torn, whatever stands at its path or happens to it meanwhile.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "page/journal.h"
#include "page/page_cleaner.h"
#include "page/page_rewrite.h"
#include "page/title_marker.h"
#include "tests/support/faulty_files.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

// A UTF-8 page whose English name is "\xCF\xF0" in the ANSI code page.
const std::string kPage = "<head><meta content=\"text/html; charset=utf-8\">" +
                          std::string(kTitleMarker) +
                          "</head><body>menu<div class=\"g_section info\"><h2>Info</h2></div>"
                          "<i x=\"english\">\xD0\x9F\xD1\x80</td></div>"
                          "<div class=\"g_section vote\">";
const std::string kJournal = std::string(JournalHeader(kPage, false).View()) + kPage;

// The page as the cleaning leaves it.
std::string Cleaned(const std::string& page) {
  RewrittenPage out;
  TitleInfo info;
  EXPECT_TRUE(RewritePage(page, false, out, info));
  return std::string(out.bytes);
}

PageOutcome Clean(const std::string& path, TitleInfo& info) {
  return CleanPage(path.c_str(), {.repairLinks = false, .sync = true}, info);
}
PageOutcome Clean(const std::string& path) {
  TitleInfo info;
  return Clean(path, info);
}

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

TEST(CleanPage, APageTooLargeToHoldIsNeverRead) {
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", kPage);
  testsupport::FaultyFiles files;
  const platform::ScopedFileSystem scoped(files);
  // Its low 32 bits give the page's own size: only the full size may count.
  for (const uint64_t size : {uint64_t{1} << 31, (uint64_t{1} << 32) + kPage.size()}) {
    files.reportedSize = size;
    EXPECT_EQ(Clean(path), PageOutcome::TooLarge) << size;
    EXPECT_EQ(ReadFile(path), kPage);
  }
}

// A run that died while writing leaves the page in one of the states the
// write goes through, beside the page's whole journal. The next cleaning
// puts the original back first, then cleans it as usual.
TEST(CleanPage, SettlesAnInterruptedWriteFromItsJournalFirst) {
  const std::string final = Cleaned(kPage);
  ASSERT_NE(final, kPage);
  const auto writtenUpTo = [&](size_t k) {
    return final.substr(0, k) + (k < kPage.size() ? kPage.substr(k) : "");
  };
  const testsupport::TempFolder folder;
  for (const std::string& state : {kPage, writtenUpTo(1), writtenUpTo(final.size() / 2),
                                   writtenUpTo(final.size() - 1), final}) {
    const std::string path = folder.Write("Kaze.htm", state);
    folder.Write("Kaze.htm" + std::string(kJournalSuffix), kJournal);
    TitleInfo info;
    EXPECT_EQ(Clean(path, info), PageOutcome::Rewritten) << state;
    EXPECT_EQ(ReadFile(path), final) << state;
    EXPECT_STREQ(info.english, "\xCF\xF0");
    EXPECT_FALSE(Exists(path + std::string(kJournalSuffix))) << state;
  }
  // Windows takes names of fewer than 260 characters unless told otherwise:
  // a page whose path fits must get its longer journal all the same.
  const std::string sub(250 - folder.Path("x").size() - std::string("Kaze.htm").size(), 'd');
  const std::string path = folder.Write(sub + "/Kaze.htm", kPage);
  ASSERT_EQ(path.size(), 250u);
  EXPECT_EQ(Clean(path), PageOutcome::Rewritten);
  EXPECT_EQ(ReadFile(path), final);
  EXPECT_FALSE(Exists(path + std::string(kJournalSuffix)));
}

TEST(CleanPage, NeverPutsAJournalOverAPageSavedAgainNorTrustsOneCutShort) {
  const std::string savedAgain = kPage + "<p>saved again</p>";
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", savedAgain);
  const std::string live = path + std::string(kJournalSuffix);
  const std::string kept = path + std::string(kKeptJournalSuffix);

  // A journal set aside earlier is in the way: nothing is touched.
  folder.Write("Kaze.htm" + std::string(kJournalSuffix), kJournal);
  folder.Write("Kaze.htm" + std::string(kKeptJournalSuffix), "older");
  EXPECT_EQ(Clean(path), PageOutcome::StaleJournal);
  EXPECT_EQ(ReadFile(path), savedAgain);
  EXPECT_EQ(ReadFile(live), kJournal);

  fs::remove(kept);
  EXPECT_EQ(Clean(path), PageOutcome::JournalKept);
  EXPECT_EQ(ReadFile(kept), kJournal) << "set aside whole";
  EXPECT_EQ(ReadFile(path), Cleaned(savedAgain)) << "the page as saved again is cleaned";
  EXPECT_FALSE(Exists(live));
  EXPECT_EQ(Clean(path), PageOutcome::Unchanged);

  // Cut short, the journal tells the page was never touched: it goes.
  folder.Write("Kaze.htm", savedAgain);
  folder.Write("Kaze.htm" + std::string(kJournalSuffix), kJournal.substr(0, kJournal.size() - 1));
  EXPECT_EQ(Clean(path), PageOutcome::Rewritten);
  EXPECT_EQ(ReadFile(path), Cleaned(savedAgain));
  EXPECT_FALSE(Exists(live));
}

// Where the system lets a program write a page that another holds (POSIX),
// a saver still writing it may change it between the read and the write.
class ChangingFiles final : public testsupport::ForwardingFiles {
 public:
  std::string appended = "<p>still being saved</p>";
  bool changed = false;

 protected:
  std::unique_ptr<platform::ExclusiveFile> Wrap(std::unique_ptr<platform::ExclusiveFile> file,
                                                const char* path) override {
    struct Changing final : testsupport::ForwardingFile {
      Changing(ChangingFiles& files, std::unique_ptr<platform::ExclusiveFile> file,
               std::string at)
          : ForwardingFile(std::move(file)), owner(files), path(std::move(at)) {}
      int64_t ReadFromStart(char* into, size_t count) override {
        const int64_t read = inner_->ReadFromStart(into, count);
        // The other program writes after the page was read.
        std::ofstream other(path, std::ios::binary | std::ios::app);
        other << owner.appended;
        other.close();
        owner.changed = owner.changed || other.good();
        return read;
      }
      ChangingFiles& owner;
      std::string path;
    };
    if (!file) return nullptr;
    return std::make_unique<Changing>(*this, std::move(file), path);
  }
};

TEST(CleanPage, WritesNothingOverAPageAnotherProgramChangedMeanwhile) {
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", kPage);
  ChangingFiles files;
  const platform::ScopedFileSystem scoped(files);
  const PageOutcome outcome = Clean(path);
  if (files.changed) {
    EXPECT_EQ(outcome, PageOutcome::Changed);
    EXPECT_EQ(ReadFile(path), kPage + files.appended);
  } else {  // the system kept the other program out
    EXPECT_EQ(outcome, PageOutcome::Rewritten);
    EXPECT_EQ(ReadFile(path), Cleaned(kPage));
  }
  EXPECT_FALSE(Exists(path + std::string(kJournalSuffix)));
}

// What the system lets the test make stands in for what users meet: a
// folder, a pipe, a device and dead link named like a page, and a link to a
// page.
TEST(CleanPage, SkipsWhatIsNoRegularFileWithoutWaitingAndCleansThePageALinkLeadsTo) {
  const testsupport::TempFolder folder;
  fs::create_directory(folder.Path("folder.htm"));
  std::error_code error;
  fs::create_symlink(folder.Path("nowhere.htm"), folder.Path("dead.htm"), error);
  const std::string page = folder.Write("real page.htm", kPage);
  fs::create_symlink(page, folder.Path("link.htm"), error);
  std::system(("mkfifo \"" + folder.Path("pipe.htm") + "\" 2>/dev/null").c_str());
  std::system(("mknod \"" + folder.Path("device.htm") + "\" c 1 3 2>/dev/null").c_str());

  int made = 0;
  for (const char* name : {"folder.htm", "dead.htm", "pipe.htm", "device.htm"}) {
    if (!Exists(folder.Path(name))) continue;
    ++made;
    EXPECT_EQ(Clean(folder.Path(name)), PageOutcome::NotAFile) << name;
  }
  if (Exists(folder.Path("link.htm"))) {
    EXPECT_EQ(Clean(folder.Path("link.htm")), PageOutcome::Rewritten);
    EXPECT_TRUE(fs::is_symlink(folder.Path("link.htm")));
    EXPECT_EQ(ReadFile(page), Cleaned(kPage));
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.path()))
    EXPECT_EQ(entry.path().string().find(kJournalSuffix), std::string::npos) << entry.path();
  RecordProperty("odd files made", made);
}

TEST(CleanPage, APageHeldByAnotherOpenerStaysAsItWasAndLosesItsScripts) {
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", kPage);
  folder.Write("Kaze_files/app.js", "x");
  platform::FileError error;
  auto holder = platform::Files().OpenExclusive(path.c_str(), error);
  ASSERT_NE(holder, nullptr);
  TitleInfo info;
  std::strcpy(info.title, "stale");
  EXPECT_EQ(Clean(path, info), PageOutcome::Busy);
  EXPECT_STREQ(info.title, "");
  EXPECT_FALSE(Exists(folder.Path("Kaze_files/app.js")));
  holder.reset();  // on Windows nobody may read the page before
  EXPECT_EQ(ReadFile(path), kPage);
}

}  // namespace
}  // namespace page
