#include "page/page_cleaner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "page/files_folder.h"
#include "page/journal.h"
#include "page/page_rewrite.h"
#include "page/title_marker.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/faulty_files.h"
#include "tests/support/forwarding_files.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testsupport::ReadFile;

const std::string kMarker(kTitleMarker);

void* NoMemory(void*, size_t) { return nullptr; }

// The growth rule on a buffer's three counts; every append ends with the
// spare byte written, where the sanitizers would see a block too short.
TEST(AppendBytes, GrowsByTheStepOrByTheAppendPlusOneAndKeepsASpareByte) {
  char* data = nullptr;
  int32_t used = 0, capacity = 0;
  EXPECT_EQ(AppendBytes(data, used, "", 0, capacity, 32768), 1);
  EXPECT_EQ(data, nullptr);
  EXPECT_EQ(capacity, 0);
  std::string expected;
  // Length, step, and the capacity after the append: one step too few, an
  // append that would fill the block exactly, one that fits, one that fills
  // it exactly again.
  const std::tuple<int32_t, int32_t, int32_t> appends[] = {
      {40000, 32768, 40001}, {1, 32768, 72769}, {10, 16, 72769}, {32758, 16, 72785}};
  for (const auto& [length, step, grown] : appends) {
    const std::string piece(static_cast<size_t>(length), static_cast<char>('a' + used % 26));
    ASSERT_EQ(AppendBytes(data, used, piece.data(), length, capacity, step), 1) << length;
    expected += piece;
    EXPECT_EQ(capacity, grown) << length;
    data[used] = '\0';
  }
  EXPECT_EQ(std::string_view(data, static_cast<size_t>(used)), expected);

  const auto previous = testing::SetGrowBufferRealloc(NoMemory);
  const std::string more(50000, 'x');
  EXPECT_EQ(AppendBytes(data, used, more.data(), 50000, capacity, 16), 0);
  testing::SetGrowBufferRealloc(previous);
  EXPECT_EQ(data, nullptr) << "the block must be freed, not left reachable";
  EXPECT_EQ(used, static_cast<int32_t>(expected.size())) << "used must be left as it was";
  // Counts past INT32_MAX - 1 are refused the same way (set by hand: nothing is copied).
  data = static_cast<char*>(std::malloc(16));
  used = std::numeric_limits<int32_t>::max() - 11;
  capacity = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(AppendBytes(data, used, "0123456789ab", 12, capacity, 16), 0);
  EXPECT_EQ(data, nullptr) << "the refused buffer's block must be freed";
}

TEST(GrowBuffer, HoldsWhatWasAppendedAndNothingOnceAnAppendFailed) {
  GrowBuffer buffer;
  EXPECT_EQ(buffer.Terminate(), nullptr) << "nothing appended, no block";
  std::string expected;
  for (const size_t length : {10u, 6u, 16u, 1u, 40000u, 0u, 15u, 3u}) {
    std::string piece(length, static_cast<char>('a' + expected.size() % 26));
    if (length > 2) piece[1] = '\0';
    ASSERT_TRUE(buffer.Append(piece, 16)) << length;
    expected += piece;
    ASSERT_EQ(buffer.Terminate()[expected.size()], '\0');
  }
  EXPECT_EQ(buffer.View(), expected);
  buffer.CutTo(7);
  EXPECT_EQ(buffer.View(), expected.substr(0, 7));
  EXPECT_EQ(buffer.Terminate()[7], '\0');

  GrowBuffer moved = std::move(buffer);
  EXPECT_EQ(moved.View(), expected.substr(0, 7));
  EXPECT_TRUE(buffer.View().empty());
  char* const room = moved.AppendRoom(3, 16);
  ASSERT_NE(room, nullptr);
  std::memcpy(room, "xyz", 3);
  EXPECT_EQ(moved.View(), expected.substr(0, 7) + "xyz");

  const auto previous = testing::SetGrowBufferRealloc(NoMemory);
  EXPECT_FALSE(moved.Append(std::string(50000, 'x'), 16));
  testing::SetGrowBufferRealloc(previous);
  EXPECT_TRUE(moved.RanOutOfMemory());
  EXPECT_TRUE(moved.View().empty()) << "a failed buffer holds no result";
  EXPECT_EQ(moved.Terminate(), nullptr);
  EXPECT_FALSE(moved.Append("x", 16)) << "once failed, it takes nothing more";
  EXPECT_EQ(moved.AppendRoom(1, 16), nullptr);
  EXPECT_FALSE(buffer.RanOutOfMemory());
}

// The usual cut is in the sample pages; here the NUL tail and unrecognised pages.
TEST(FirstRewrite, CutsOnlyRecognisedPagesAndCarriesTheNulTailOver) {
  const std::string head = "<head><title>X " + kMarker + "</title></head>";
  const std::string content = "<div class=\"g_content\">C";
  const std::pair<std::string, std::string> cases[] = {
      {"<body>x" + content + kMarker + "\0<body>\xFF"s,
       "<body>" + content + kMarker + "\0<body>\xFF"s},
      {"<head></head><body>" + content, ""},
      {"<body>" + content + "\0"s + kMarker, ""},  // the marker lies past the NUL
      {head + content, ""},
      {head + "<body><div class=\"content\">", ""},
      {head + "<body class=\"<div class=\"g_content", ""},  // the body tag never ends
      {head + "<body " + content + ">", ""},                 // the anchor is inside it
  };
  for (const auto& [page, expected] : cases) {
    GrowBuffer out;
    EXPECT_EQ(FirstRewrite(page, out), !expected.empty()) << page;
    EXPECT_EQ(out.View(), expected) << page;
  }
}

// The relaid page, or "<nothing>" when the relayout has nothing to write.
std::string Relaid(const std::string& page) {
  GrowBuffer out;
  return Relayout(page, out) ? std::string(out.View()) : "<nothing>";
}

const std::string kTable = "<table width=\"100%\"><tr><td valign=\"top\">";
const std::string kInfo = "<div class=\"g_section info\">";

// The usual layout is in the sample pages; here the sections that lack a part.
TEST(Relayout, LaysOutOnlyTheSectionPartsThatArePresent) {
  const std::string cell = "<td valign=\"top\">";
  const std::pair<std::string, std::string> cases[] = {
      {kInfo + "h</div>r</div>rest", kInfo + kTable + cell + "r</div></td><td>rest"},  // no <p>
      {kInfo + "h</div>r<p class=\"desc\">D",
       kInfo + kTable + cell + "r</td></tr></table><p class=\"desc\">D"},
      {kInfo + "h<p class=\"desc\">D", kInfo + kTable + "h<p class=\"desc\">D"},
      {kInfo + "</div>", kInfo + kTable + cell},  // the heading ends the page
      {kInfo + kTable.substr(0, 20), kInfo + kTable + kTable.substr(0, 20)},
      {"<div class=\"g_content\">x</div>", "<nothing>"},
      {"<div class=\"g_section info", "<nothing>"},       // the section tag never ends
  };
  for (const auto& [page, expected] : cases) EXPECT_EQ(Relaid(page), expected) << page;
}

TEST(Relayout, RemovesBlocksAndBordersAltTagsFromTheCurrentPositionOn) {
  const std::string start = kInfo + "</div></div>";
  const std::string relaid = kInfo + kTable + "<td valign=\"top\"></div></td><td>";
  const std::string vote = "<div class=\"g_section vote\">";
  const std::string note = "<div class=\"g_section g_notebox\">";
  const std::pair<std::string, std::string> cases[] = {
      {vote + "<div>in</div>out</div>", "out</div>"},  // a block ends at its first closing
      {note + "n</div>" + vote + "v</div>!", note + "n</div>!"},  // an earlier kind stays
      // A block without its closing stays; later kinds are looked for after its opening.
      {note + "n" + vote + "v<ul class=\"g_actionlist\">l</ul>.", note + "n" + vote + "v."},
      {vote + "1</div>" + vote + "2</div>", vote + "2</div>"},
      {"<img alt=\"a\" x-alt=\"b\">", "<img alt=\"a\" x-alt=\"b\" border=\"0\">"},
      {"<img alt=\"a>b\">", "<img alt=\"a border=\"0\">b\">"},
      {"<img alt=\"a\"><img alt=\"b\"", "<img alt=\"a\" border=\"0\"><img alt=\"b\""},
      {"<img alt=\"a\">\0"s + vote + "</div><img alt=\"b\">",
       "<img alt=\"a\" border=\"0\">\0"s + vote + "</div><img alt=\"b\">"},
  };
  for (const auto& [page, tail] : cases) EXPECT_EQ(Relaid(start + page), relaid + tail) << page;
}

// A UTF-8 page whose English name is "\xCF\xF0" in the ANSI code page.
const std::string kPage = "<head><meta content=\"text/html; charset=utf-8\">" + kMarker +
                          "</head><body>menu" + kInfo + "<h2>Info</h2></div><i x=\"english\">" +
                          "\xD0\x9F\xD1\x80</td></div><div class=\"g_section vote\">";

const WriteSettings kSynced{.repairLinks = false, .sync = true};

// The page as the cleaning leaves it.
std::string Cleaned(const std::string& page) {
  RewrittenPage out;
  TitleInfo info;
  EXPECT_TRUE(RewritePage(page, false, out, info));
  return std::string(out.bytes);
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
    TitleInfo info;
    EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::TooLarge) << size;
    EXPECT_EQ(ReadFile(path), kPage);
  }
}

// A run that died while writing, or while putting the original back, leaves
// the page in one of the states those writes go through, beside its whole
// journal. The next cleaning finishes what was cut short, in its own
// direction, then cleans the page as usual.
TEST(CleanPage, FinishesAnInterruptedWriteOrRollbackFromItsJournalFirst) {
  const std::string final = Cleaned(kPage);
  ASSERT_GT(final.size(), kPage.size()) << "the page grows; the samples shrink";
  const std::string journal = std::string(JournalHeader(kPage, false).View()) + kPage;
  const auto writtenUpTo = [&](size_t k) {
    return final.substr(0, k) + (k < kPage.size() ? kPage.substr(k) : "");
  };
  const auto putBackUpTo = [&](size_t k) { return kPage.substr(0, k) + final.substr(k); };
  const std::pair<std::string, PageOutcome> states[] = {
      {kPage, PageOutcome::Rewritten},
      {writtenUpTo(kPage.size() - 1), PageOutcome::Unchanged},
      {writtenUpTo(kPage.size() / 2), PageOutcome::Unchanged},
      {writtenUpTo(kPage.size() + 10), PageOutcome::Unchanged},
      {final, PageOutcome::Unchanged},
      {putBackUpTo(kPage.size() / 2), PageOutcome::Rewritten},
      {putBackUpTo(kPage.size()), PageOutcome::Rewritten},
  };
  for (const auto& [state, outcome] : states) {
    const testsupport::TempFolder folder;
    const std::string path = folder.Write("Kaze.htm", state);
    folder.Write("Kaze.htm" + std::string(kJournalSuffix), journal);
    TitleInfo info;
    EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), outcome) << state;
    EXPECT_EQ(ReadFile(path), final) << state;
    EXPECT_STREQ(info.english, "\xD0\x9F\xD1\x80");
    EXPECT_FALSE(Exists(path + std::string(kJournalSuffix))) << state;
  }
}

// A page that fits no state of the write, or a damaged journal, is the
// user's: the page is left as it is and the journal set aside, the newest
// one always under the same name; a journal cut short while it was written
// goes only beside the page it was the start of.
TEST(CleanPage, NeverPutsAJournalOverAPageSavedAgainNorLosesOneItCannotRead) {
  const std::string journal = std::string(JournalHeader(kPage, false).View()) + kPage;
  const std::string savedAgain = kPage + "<p>saved again</p>";
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", savedAgain);
  const std::string live = path + std::string(kJournalSuffix);
  const auto kept = [&](int age) { return KeptJournalPath(path, age); };
  TitleInfo info;

  folder.Write("Kaze.htm" + std::string(kJournalSuffix), journal);
  folder.Write("Kaze.htm" + std::string(kKeptJournalSuffix), "older");
  EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::JournalKept);
  EXPECT_EQ(ReadFile(path), savedAgain) << "not cleaned on top of a guess";
  EXPECT_EQ(ReadFile(kept(1)), journal) << "set aside whole";
  EXPECT_EQ(ReadFile(kept(2)), "older");
  EXPECT_FALSE(Exists(live));

  std::string damaged = journal;
  damaged[damaged.size() - 5] ^= 1;
  folder.Write("Kaze.htm" + std::string(kJournalSuffix), damaged);
  EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::JournalDamaged);
  EXPECT_EQ(ReadFile(path), savedAgain);
  EXPECT_EQ(ReadFile(kept(1)), damaged);
  EXPECT_EQ(ReadFile(kept(3)), journal);
  EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::Rewritten) << "once told";
  EXPECT_EQ(ReadFile(path), Cleaned(savedAgain));

  // Cut short beside the page it began to copy: it goes.
  folder.Write("Kaze.htm", kPage);
  folder.Write("Kaze.htm" + std::string(kJournalSuffix), journal.substr(0, journal.size() - 9));
  EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::Rewritten);
  EXPECT_EQ(ReadFile(path), Cleaned(kPage));
  EXPECT_FALSE(Exists(live));
  // One that cannot be set aside stays in the way.
  fs::create_directory(live);
  folder.Write("Kaze.htm", kPage);
  EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::StaleJournal);
  EXPECT_EQ(ReadFile(path), kPage);
}

// Windows takes names of fewer than 260 characters unless told otherwise: a
// page whose path fits must get its longer journal all the same.
TEST(CleanPage, APageWhosePathNearlyFillsTheRoomForNamesGetsItsJournal) {
  const testsupport::TempFolder folder;
  const std::string sub(250 - folder.Path("x").size() - std::string("Kaze.htm").size(), 'd');
  const std::string path = folder.Write(sub + "/Kaze.htm", kPage);
  ASSERT_EQ(path.size(), 250u);
  TitleInfo info;
  EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::Rewritten);
  EXPECT_EQ(ReadFile(path), Cleaned(kPage));
  EXPECT_FALSE(Exists(path + std::string(kJournalSuffix)));
}

// Where the system lets a program write a page that another holds (POSIX),
// a saver still writing it may change it between the read and the write.
class ChangingFiles final : public testsupport::ForwardingFiles {
 public:
  struct File final : testsupport::ForwardingFile {
    File(ChangingFiles& files, std::unique_ptr<platform::ExclusiveFile> file, std::string at)
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

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override {
    auto file = inner_.OpenExclusive(path, error);
    if (!file) return nullptr;
    return std::make_unique<File>(*this, std::move(file), path);
  }

  std::string appended = "<p>still being saved</p>";
  bool changed = false;
};

TEST(CleanPage, WritesNothingOverAPageAnotherProgramChangedMeanwhile) {
  const testsupport::TempFolder folder;
  const std::string path = folder.Write("Kaze.htm", kPage);
  ChangingFiles files;
  const platform::ScopedFileSystem scoped(files);
  TitleInfo info;
  const PageOutcome outcome = CleanPage(path.c_str(), kSynced, info);
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
  const std::string quoted = "\"" + folder.Path("pipe.htm") + "\"";
  std::system(("mkfifo " + quoted + " 2>/dev/null").c_str());
  std::system(("mknod \"" + folder.Path("device.htm") + "\" c 1 3 2>/dev/null").c_str());

  std::vector<std::string> made;
  for (const char* name : {"folder.htm", "dead.htm", "pipe.htm", "device.htm"}) {
    if (!Exists(folder.Path(name))) continue;
    made.emplace_back(name);
    TitleInfo info;
    EXPECT_EQ(CleanPage(folder.Path(name).c_str(), kSynced, info), PageOutcome::NotAFile) << name;
  }
  if (Exists(folder.Path("link.htm"))) {
    TitleInfo info;
    EXPECT_EQ(CleanPage(folder.Path("link.htm").c_str(), kSynced, info), PageOutcome::Linked);
    EXPECT_EQ(ReadFile(page), kPage);
  }
  for (const fs::directory_entry& entry : fs::directory_iterator(folder.path()))
    EXPECT_EQ(entry.path().string().find(kJournalSuffix), std::string::npos) << entry.path();
  RecordProperty("odd files made", static_cast<int>(made.size()));
}

// Stands in for a disk whose script search finds `entries`, recording what
// was searched and removed; it holds no page.
struct ScriptFolder final : platform::FileSystem {
  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char*,
                                                         platform::FileError& error) override {
    error = platform::FileError::Missing;
    return nullptr;
  }
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char*,
                                                           platform::FileError& error) override {
    error = platform::FileError::Failed;
    return nullptr;
  }
  bool FlushFolderOf(const char*) override { return true; }
  bool FindEntries(const char* pattern, const std::function<bool(const char*)>& visit) override {
    searched.push_back(pattern);
    for (const std::string& entry : entries) {
      if (!visit(entry.c_str())) break;
    }
    return !entries.empty();
  }
  platform::PathKind Kind(const char*) override { return platform::PathKind::Missing; }
  bool IsLink(const char*) override { return false; }
  std::string StoredName(const char*) override { return {}; }
  bool RemoveFile(const char* path) override {
    removed.push_back(path);
    return true;
  }
  bool RenameNoReplace(const char*, const char*) override { return false; }
  bool RenameReplacing(const char*, const char*) override { return false; }
  bool CreateFolders(const char*) override { return false; }

  std::vector<std::string> entries, searched, removed;
};

TEST(CleanPage, ScriptPathsThatDoNotFitEndTheDeletion) {
  ScriptFolder disk;
  disk.entries = {"a.js"};
  const platform::ScopedFileSystem scoped(disk);
  TitleInfo info;
  const std::string stem(1012, 'p');
  const std::string folder = stem + "_files" + platform::kPathSeparator;
  const auto clean = [&](const std::string& path) {
    EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::Missing);
  };
  clean(stem + ".htm");                        // the pattern takes 1023 bytes: it fits
  clean(stem + "p.htm");                       // one byte more: nothing is searched
  clean(std::string(1018, 'p') + ".htm");      // the folder alone fills 1024
  // A file name that does not fit beside the folder ends the deletion.
  disk.entries = {std::string(10, 'n') + ".js", "a.js"};
  clean(stem + ".htm");
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

// The sample pages: hand-made catalogue pages (UTF-8, KOI8-R, Windows-1251, Firefox,
// UTF-16, an embedded NUL) with their "_files" folders, cleaned in a copy as the
// program cleans them, against samples/expected/.

const fs::path kSamples = VELKOR_SAMPLES_DIR;

// A copy of samples/ in a temporary folder.
struct SampleCopy : testsupport::TempFolder {
  SampleCopy() { fs::copy(kSamples, path(), fs::copy_options::recursive); }
};

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
  const SampleCopy copy;
  fs::rename(copy.path() / "Quiet Valley.htm", copy.path() / "Quiet Valley");
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.page);
    const std::string path = copy.Path(sample.page);
    const fs::path stem = fs::path(sample.page).stem();
    const std::string expected = ReadFile((kSamples / "expected" / stem).string() + ".htm");

    TitleInfo info;
    const WriteSettings settings{.repairLinks = sample.savedByFirefox, .sync = true};
    EXPECT_TRUE(IsDone(CleanPage(path.c_str(), settings, info)));
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_FALSE(Exists(path + std::string(kJournalSuffix)));
    EXPECT_EQ(std::string(info.title) + "|" + info.english + "|" + info.type, sample.fields);
    ExpectOnlyScriptsDeleted(path);

    EXPECT_EQ(CleanPage(path.c_str(), settings, info), PageOutcome::Unchanged);
    EXPECT_EQ(ReadFile(path), expected) << "cleaning again changed the page";
  }
}

TEST(CleanPage, APageHeldByAnotherOpenerStaysAsItWasAndLosesItsScripts) {
  const SampleCopy copy;
  const std::string path = copy.Path("Starlight Harbor.htm");
  platform::FileError error;
  auto holder = platform::Files().OpenExclusive(path.c_str(), error);
  ASSERT_NE(holder, nullptr);
  TitleInfo info;
  std::strcpy(info.title, "stale");
  EXPECT_EQ(CleanPage(path.c_str(), kSynced, info), PageOutcome::Busy);
  EXPECT_STREQ(info.title, "");
  ExpectOnlyScriptsDeleted(path);
  holder.reset();  // on Windows nobody may read the page before
  EXPECT_EQ(ReadFile(path), ReadFile((kSamples / "Starlight Harbor.htm").string()));
}

}  // namespace
}  // namespace page
