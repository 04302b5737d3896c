#include "page/page_cleaner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "page/link_repair.h"
#include "page/page_rewrite.h"
#include "page/title_marker.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using testsupport::ReadFile;

const std::string kMarker(kTitleMarker);

void* NoMemory(void*, size_t) { return nullptr; }

TEST(GrowBuffer, KeepsEveryByteAndFreesItsBlockWhenItCannotGrow) {
  GrowBuffer buffer;
  std::string expected;
  // Lengths below, at and far above the step, and appends that fill the block exactly.
  for (const size_t length : {10u, 6u, 16u, 1u, 40000u, 0u, 15u, 3u}) {
    std::string piece(length, static_cast<char>('a' + expected.size() % 26));
    if (length > 2) piece[1] = '\0';
    ASSERT_TRUE(buffer.Append(piece, 16)) << length;
    expected += piece;
    ASSERT_GT(buffer.capacity, buffer.used) << "no spare byte after " << length;
    buffer.data[buffer.used] = '\0';
  }
  EXPECT_EQ(buffer.View(), expected);
  const auto previous = testing::SetGrowBufferRealloc(NoMemory);
  EXPECT_FALSE(buffer.Append(std::string(50000, 'x'), 16));
  testing::SetGrowBufferRealloc(previous);
  EXPECT_EQ(buffer.data, nullptr) << "the freed block must not stay reachable";
  EXPECT_EQ(buffer.used, static_cast<int32_t>(expected.size())) << "used must be left as it was";
  // Counts past INT32_MAX - 1 are refused the same way (set by hand: nothing is copied).
  buffer.data = static_cast<char*>(std::malloc(16));
  buffer.used = std::numeric_limits<int32_t>::max() - 11;
  buffer.capacity = std::numeric_limits<int32_t>::max();
  EXPECT_EQ(AppendBytes(buffer.data, buffer.used, "0123456789ab", 12, buffer.capacity, 16), 0);
  EXPECT_EQ(buffer.data, nullptr) << "the refused buffer's block must be freed";
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
    std::string out = "stale";
    EXPECT_EQ(FirstRewrite(page, out), !expected.empty()) << page;
    EXPECT_EQ(out, expected) << page;
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

// What goes wrong on the in-memory disk below.
struct Faults {
  bool sizeFails = false;
  std::optional<uint64_t> reportedSize{};  // a size other than the real one
  std::optional<size_t> readLimit{};       // reads stop after this many bytes
  int failingWrite = 0;                    // 1-based write that stops after `writeKeeps` bytes
  size_t writeKeeps = 0;
  bool truncateFails = false;
  bool noMemory = false;  // the relayout buffer cannot grow
};

// A disk of one page, found under any path, whose operations fail as told;
// its script search finds `entries` and records what was searched and removed.
struct MemoryDisk final : platform::FileSystem {
  struct File final : platform::ExclusiveFile {
    explicit File(MemoryDisk& owner) : disk(owner) {}
    bool Size(uint64_t& size) override {
      size = disk.faults.reportedSize.value_or(disk.page.size());
      return !disk.faults.sizeFails;
    }
    int64_t ReadFromStart(char* into, size_t count) override {
      EXPECT_LT(count, size_t{1} << 31) << "a page of 2 GiB was read";
      const size_t n = std::min({count, disk.page.size(), disk.faults.readLimit.value_or(count)});
      std::copy_n(disk.page.data(), n, into);
      return static_cast<int64_t>(n);
    }
    int64_t WriteFromStart(const char* from, size_t count) override {
      const size_t n =
          ++writes == disk.faults.failingWrite ? std::min(count, disk.faults.writeKeeps) : count;
      disk.page.resize(std::max(disk.page.size(), n));
      disk.page.replace(0, n, from, n);
      return static_cast<int64_t>(n);
    }
    bool Truncate(uint64_t length) override {
      if (!disk.faults.truncateFails) disk.page.resize(static_cast<size_t>(length));
      return !disk.faults.truncateFails;
    }
    MemoryDisk& disk;
    int writes = 0;
  };

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char*) override {
    return std::make_unique<File>(*this);
  }
  bool FindEntries(const char* pattern, const std::function<bool(const char*)>& visit) override {
    searched.push_back(pattern);
    for (const std::string& entry : entries) {
      if (!visit(entry.c_str())) break;
    }
    return !entries.empty();
  }
  platform::PathKind Kind(const char*) override { return platform::PathKind::File; }
  bool IsLink(const char*) override { return false; }
  bool RemoveFile(const char* path) override {
    removed.push_back(path);
    return true;
  }
  bool RenameNoReplace(const char*, const char*) override { return false; }

  std::string page = kPage;
  Faults faults;
  std::vector<std::string> entries, searched, removed;
};

TEST(CleanPage, APageThatCannotBeReadOrWrittenWholeIsNeverLost) {
  std::string cut;
  ASSERT_TRUE(FirstRewrite(kPage, cut));
  const std::tuple<const char*, Faults, std::string, const char*> cases[] = {
      {"size unknown", {.sizeFails = true}, kPage, ""},
      {"2 GiB", {.reportedSize = uint64_t{1} << 31}, kPage, ""},
      // Its low 32 bits give the page's own size: only the full size may count.
      {"4 GiB more", {.reportedSize = (uint64_t{1} << 32) + kPage.size()}, kPage, ""},
      {"short read", {.readLimit = kPage.size() - 1}, kPage, ""},
      {"cut written in part", {.failingWrite = 1, .writeKeeps = 10}, kPage, ""},
      {"cut not ended", {.truncateFails = true}, kPage, ""},
      // The relaid page is longer than the cut one: the cut stays, its English name read.
      {"relaid page stops past the cut's end", {.failingWrite = 2, .writeKeeps = cut.size() + 5},
       cut, "\xCF\xF0"},
      {"no memory to relay the page out or convert its name", {.noMemory = true}, cut, ""},
  };
  const testing::ReallocFunction previous = testing::SetGrowBufferRealloc(NoMemory);
  for (const auto& [what, faults, expected, english] : cases) {
    testing::SetGrowBufferRealloc(faults.noMemory ? NoMemory : previous);
    MemoryDisk disk;
    disk.faults = faults;
    const platform::ScopedFileSystem scoped(disk);
    TitleInfo info;
    CleanPage("Kaze.htm", info);
    EXPECT_EQ(disk.page, expected) << what;
    EXPECT_STREQ(info.english, english) << what;
  }
  testing::SetGrowBufferRealloc(previous);
}

TEST(CleanPage, ScriptPathsThatDoNotFitEndTheDeletion) {
  MemoryDisk disk;
  disk.entries = {"a.js"};
  const platform::ScopedFileSystem scoped(disk);
  TitleInfo info;
  const std::string stem(1012, 'p');
  const std::string folder = stem + "_files" + platform::kPathSeparator;
  CleanPage((stem + ".htm").c_str(), info);   // the pattern takes 1023 bytes: it fits
  CleanPage((stem + "p.htm").c_str(), info);  // one byte more: nothing is searched
  CleanPage((std::string(1018, 'p') + ".htm").c_str(), info);  // the folder alone fills 1024
  // A file name that does not fit beside the folder ends the deletion.
  disk.entries = {std::string(10, 'n') + ".js", "a.js"};
  CleanPage((stem + ".htm").c_str(), info);
  EXPECT_EQ(disk.searched, (std::vector<std::string>{folder + "*.js", folder + "*.js"}));
  EXPECT_EQ(disk.removed, std::vector<std::string>{folder + "a.js"});
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

    if (sample.savedByFirefox) RepairSavedLinks(path.c_str());
    TitleInfo info;
    CleanPage(path.c_str(), info);
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_EQ(std::string(info.title) + "|" + info.english + "|" + info.type, sample.fields);
    ExpectOnlyScriptsDeleted(path);

    CleanPage(path.c_str(), info);
    EXPECT_EQ(ReadFile(path), expected) << "cleaning again changed the page";
  }
}

TEST(CleanPage, APageHeldByAnotherOpenerStaysAsItWasAndLosesItsScripts) {
  const SampleCopy copy;
  const std::string path = copy.Path("Starlight Harbor.htm");
  auto holder = platform::Files().OpenExclusive(path.c_str());
  ASSERT_NE(holder, nullptr);
  TitleInfo info;
  std::strcpy(info.title, "stale");
  CleanPage(path.c_str(), info);
  EXPECT_STREQ(info.title, "");
  ExpectOnlyScriptsDeleted(path);
  holder.reset();  // on Windows nobody may read the page before
  EXPECT_EQ(ReadFile(path), ReadFile((kSamples / "Starlight Harbor.htm").string()));
}

}  // namespace
}  // namespace page
