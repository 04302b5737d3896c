// The page file, never torn whatever stands at its path; its "_files" folder, never left by the
// script deletion; and the sample pages cleaned in a copy, against samples/expected/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "page/files_folder.h"
#include "page/journal.h"
#include "page/page_cleaner.h"
#include "page/page_rewrite.h"
#include "page/script_deletion.h"
#include "page/title_marker.h"
#include "platform/text.h"
#include "tests/support/faulty_files.h"
#include "tests/support/fixtures.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using testsupport::kSamples;
using testsupport::ReadFile;

// A UTF-8 page whose English name is two Cyrillic letters.
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

// A run that died while writing, or while putting the original back, left the page in one of
// the states those writes go through: the next cleaning finishes that in its own direction.
TEST(CleanPage, FinishesAnInterruptedWriteOrRollbackFromItsJournalFirst) {
  const std::string final = Cleaned(kPage);
  ASSERT_GT(final.size(), kPage.size()) << "the page grows; the samples shrink";
  const auto writtenUpTo = [&](size_t k) {
    return final.substr(0, k) + (k < kPage.size() ? kPage.substr(k) : "");
  };
  const auto putBackUpTo = [&](size_t k) { return kPage.substr(0, k) + final.substr(k); };
  const std::pair<std::string, PageOutcome> states[] = {
      {kPage, PageOutcome::Rewritten},
      {writtenUpTo(kPage.size() / 2), PageOutcome::Unchanged},
      {writtenUpTo(kPage.size() + 10), PageOutcome::Unchanged},
      {final, PageOutcome::Unchanged},
      {putBackUpTo(kPage.size() / 2), PageOutcome::Rewritten},
  };
  const testsupport::TempFolder folder;
  // The previous release's journal too, which a crash of it may have left.
  const std::string legacy =
      std::string(JournalHeader(kPage, false, JournalFormat::Legacy).View()) + kPage;
  for (const std::string& journal : {kJournal, legacy})
  for (const auto& [state, outcome] : states) {
    const std::string path = folder.Write("Kaze.htm", state);
    folder.Write("Kaze.htm" + std::string(kJournalSuffix), journal);
    TitleInfo info;
    EXPECT_EQ(Clean(path, info), outcome) << state;
    EXPECT_EQ(ReadFile(path), final) << state;
    EXPECT_STREQ(info.english, "\xD0\x9F\xD1\x80");
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

// A page that fits no state of the write, or a damaged journal, is the user's: the journal is
// set aside, the newest always under one name. One cut short goes only beside its own page.
TEST(CleanPage, NeverPutsAJournalOverAPageSavedAgainNorLosesOneItCannotRead) {
  const std::string savedAgain = kPage + "<p>saved again</p>";
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", savedAgain);
  const std::string live = path + std::string(kJournalSuffix);
  const auto kept = [&](int age) { return KeptJournalPath(path, age); };

  folder.Write("Kaze.htm" + std::string(kJournalSuffix), kJournal);
  folder.Write("Kaze.htm" + std::string(kKeptJournalSuffix), "older");
  EXPECT_EQ(Clean(path), PageOutcome::JournalKept);
  EXPECT_EQ(ReadFile(path), savedAgain) << "not cleaned on top of a guess";
  EXPECT_EQ(ReadFile(kept(1)), kJournal) << "set aside whole";
  EXPECT_EQ(ReadFile(kept(2)), "older");
  EXPECT_FALSE(Exists(live));

  std::string damaged = kJournal;
  damaged[damaged.size() - 5] ^= 1;
  folder.Write("Kaze.htm" + std::string(kJournalSuffix), damaged);
  EXPECT_EQ(Clean(path), PageOutcome::JournalDamaged);
  EXPECT_EQ(ReadFile(path), savedAgain);
  EXPECT_EQ(ReadFile(kept(1)), damaged);
  EXPECT_EQ(ReadFile(kept(3)), kJournal);
  EXPECT_EQ(Clean(path), PageOutcome::Rewritten) << "once told";
  EXPECT_EQ(ReadFile(path), Cleaned(savedAgain));

  // Cut short beside the page it began to copy: it goes.
  folder.Write("Kaze.htm", kPage);
  folder.Write("Kaze.htm" + std::string(kJournalSuffix), kJournal.substr(0, kJournal.size() - 9));
  EXPECT_EQ(Clean(path), PageOutcome::Rewritten);
  EXPECT_EQ(ReadFile(path), Cleaned(kPage));
  EXPECT_FALSE(Exists(live));
  // One that cannot be set aside stays in the way.
  fs::create_directory(live);
  folder.Write("Kaze.htm", kPage);
  EXPECT_EQ(Clean(path), PageOutcome::StaleJournal);
  EXPECT_EQ(ReadFile(path), kPage);
}

// Where the system lets a program write a page that another holds (POSIX), a saver still
// writing it may change it after it was read: here, at the cleaning's first change to the disk.
struct ChangingFiles final : testsupport::ForwardingFiles {
  bool Passes(testsupport::Access access) override {
    if (access == testsupport::Access::Reads || std::exchange(tried, true)) return true;
    std::ofstream other(path, std::ios::binary | std::ios::app);
    other << appended;
    other.close();
    changed = other.good();
    return true;
  }
  std::string path, appended = "<p>still being saved</p>";
  bool tried = false, changed = false;
};

TEST(CleanPage, WritesNothingOverAPageAnotherProgramChangedMeanwhile) {
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", kPage);
  ChangingFiles files;
  files.path = path;
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
// page, which is not followed: it may lead anywhere.
TEST(CleanPage, SkipsWhatIsNoRegularFileWithoutWaitingAndLeavesALinkedPageAlone) {
  const testsupport::TempFolder folder;
  fs::create_directory(folder.Path("folder.htm"));
  std::error_code error;
  fs::create_symlink(folder.Path("nowhere.htm"), folder.Path("dead.htm"), error);
  const std::string page = folder.Write("real page.htm", kPage);
  fs::create_symlink(page, folder.Path("link.htm"), error);
  std::system(("mkfifo \"" + folder.Path("pipe.htm") + "\" 2>/dev/null").c_str());
  std::system(("mknod \"" + folder.Path("device.htm") + "\" c 1 3 2>/dev/null").c_str());

  for (const char* name : {"folder.htm", "dead.htm", "pipe.htm", "device.htm"}) {
    if (Exists(folder.Path(name))) {
      EXPECT_EQ(Clean(folder.Path(name)), PageOutcome::NotAFile) << name;
    }
  }
  if (Exists(folder.Path("link.htm"))) {
    EXPECT_EQ(Clean(folder.Path("link.htm")), PageOutcome::Linked);
    EXPECT_EQ(ReadFile(page), kPage);
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.path()))
    EXPECT_EQ(entry.path().string().find(kJournalSuffix), std::string::npos) << entry.path();
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

// The "_files" folder of the copied page at `page` has lost the scripts at
// its top (".js" in any letter case) and nothing else.
void ExpectOnlyScriptsDeleted(const std::string& page) {
  const fs::path copy = fs::path(page).replace_extension().string() + "_files";
  const fs::path source = kSamples / copy.filename();
  for (const fs::path& file : fs::recursive_directory_iterator(source)) {
    const fs::path name = fs::relative(file, source);
    const bool script =
        !name.has_parent_path() && (name.extension() == ".js" || name.extension() == ".JS");
    EXPECT_NE(fs::exists(copy / name), script) << page << ": " << name;
  }
}

const std::string kSeriesUtf8 = "\xD0\xA2\xD0\x92-\xD1\x81\xD0\xB5\xD1\x80\xD0\xB8\xD0\xB0\xD0\xBB";
const std::string kFilm1251 = "\xD4\xE8\xEB\xFC\xEC";

TEST(SamplePages, CleanToTheirExpectedFormsAndStaySoWhenCleanedAgain) {
  const struct {
    const char* page;
    bool savedByFirefox;  // its links are repaired before the cleaning
    std::string fields;   // Title and Type in the page's own bytes, English in Windows-1251
  } samples[] = {
      {"Starlight Harbor.htm", false, "Hoshizora no Minato|Starlight Harbor|" + kSeriesUtf8},
      {"Frost Wind.htm", false, "Itetsuku Kaze|Frost Wind|OVA"},
      {"Quiet Valley", false, "Shizuka na Tani|Quiet Valley|" + kFilm1251},  // no extension
      {"Lantern Road.html", true, "Lantern Road||" + kSeriesUtf8},
      {"Paper Cranes.htm", false, "||"},  // UTF-16: not recognised
      {"Clockwork Garden.htm", false, "Karakuri Teien|Clockwork Garden|" + kFilm1251},
  };
  const testsupport::TempFolder copy;
  fs::copy(kSamples, copy.path(), fs::copy_options::recursive);
  fs::rename(copy.path() / "Quiet Valley.htm", copy.path() / "Quiet Valley");
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.page);
    const std::string path = copy.Path(sample.page);
    const fs::path stem = fs::path(sample.page).stem();
    const std::string expected = testsupport::Expected(stem.string());

    const PageOutcome first =
        expected == ReadFile(path) ? PageOutcome::Unchanged : PageOutcome::Rewritten;
    TitleInfo info;
    const WriteSettings settings{.repairLinks = sample.savedByFirefox, .sync = true};
    EXPECT_EQ(CleanPage(path.c_str(), settings, info), first);
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_FALSE(fs::exists(path + std::string(kJournalSuffix)));
    EXPECT_EQ(std::string(info.title) + "|" + info.english + "|" + info.type, sample.fields);
    ExpectOnlyScriptsDeleted(path);

    EXPECT_EQ(CleanPage(path.c_str(), settings, info), PageOutcome::Unchanged);
    EXPECT_EQ(ReadFile(path), expected) << "cleaning again changed the page";
  }
}

// The folder holding "Linked.htm" and "elsewhere", to which "Linked_files" leads; empty when no
// link can be made (Wine 8 makes none, though it may say it made one).
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

// A disk whose script search finds `entries`, recording what was removed.
struct ScriptFolder final : testsupport::ForwardingFiles {
  bool FindEntries(const char*, const std::function<bool(const char*)>& visit) override {
    for (const std::string& entry : entries) {
      if (!visit(entry.c_str())) break;
    }
    return !entries.empty();
  }
  bool RemoveFile(const char* path) override {
    removed.push_back(path);
    return true;
  }
  std::vector<std::string> entries, removed;
};

TEST(DeleteScripts, TakesScriptsAloneAndPathsThatDoNotFitEndTheDeletion) {
  ScriptFolder disk;
  disk.entries = {"a.js"};
  const platform::ScopedFileSystem scoped(disk);
  const std::string stem(1011, 'p');
  const std::string folder = stem + "_files" + platform::kPathSeparator;
  DeleteScripts((stem + ".htm").c_str());                    // the pattern takes 1023 bytes
  DeleteScripts((stem + "p.htm").c_str());                   // one byte more: no search
  DeleteScripts((std::string(1018, 'p') + ".htm").c_str());  // the folder alone fills 1024
  // A script's name that does not fit beside the folder ends the deletion.
  disk.entries = {std::string(10, 'n') + ".js", "a.js"};
  DeleteScripts((stem + ".htm").c_str());
  EXPECT_EQ(disk.removed, std::vector<std::string>{folder + "a.js"});
  // Chrome's scripts go too; the rest of what the search finds stays.
  disk.removed.clear();
  disk.entries = {"b.JSON", "c.jsx", "d.JS.Download", "e.js.download.txt", "f.js"};
  DeleteScripts("s.htm");
  const std::string own = std::string("s_files") + platform::kPathSeparator;
  EXPECT_EQ(disk.removed, (std::vector<std::string>{own + "d.JS.Download", own + "f.js"}));
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
