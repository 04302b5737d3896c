#include "page/page_cleaner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "page/byte_search.h"
#include "page/page_rewrite.h"
#include "page/title_marker.h"
#include "platform/files.h"
#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

using namespace std::string_literals;

const std::string kMarker(kTitleMarker);

TEST(FindFrom, AgreesWithAPlainSearchEverywhere) {
  const std::string text =
      "aaaaalt=alt=l <div class=\"g_section info\"><img alt=\"a\"></div>_files_files\xD0\">";
  const std::string_view needles[] = {"",       ">",   "</div>", "alt=", "=l", "aaaa",
                                      "_files", "\">", "<div class=\"g_section info", "nothere"};
  for (const std::string_view needle : needles) {
    for (size_t from = 0; from <= text.size() + 1; ++from) {
      const size_t expected = from > text.size() ? kNotFound : text.find(needle, from);
      EXPECT_EQ(FindFrom(text, from, needle), expected) << needle << " from " << from;
    }
  }
}

// The usual cut is in the sample pages; here the bytes after a NUL, and the
// pages that are not recognised.
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
      {head + content + "<body>", ""},
      {"", ""},
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

// The usual layout, block removal and borders are in the sample pages; these
// are the sections and blocks that lack a part.
TEST(Relayout, LaysOutOnlyTheSectionPartsThatArePresent) {
  const std::string cell = "<td valign=\"top\">";
  const std::pair<std::string, std::string> cases[] = {
      {kInfo + "h</div>r</div>rest", kInfo + kTable + cell + "r</div></td><td>rest"},  // no <p>
      {kInfo + "h</div>r<p class=\"desc\">D",
       kInfo + kTable + cell + "r</td></tr></table><p class=\"desc\">D"},
      {kInfo + "h<p class=\"desc\">D", kInfo + kTable + "h<p class=\"desc\">D"},
      {kInfo + kTable.substr(0, 20), kInfo + kTable + kTable.substr(0, 20)},
      {"<div class=\"g_content\">x</div>", "<nothing>"},
      {"<div class=\"g_section info", "<nothing>"},       // the section tag never ends
      {kInfo + kTable + cell + "r</div>", "<nothing>"},  // relaid before
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
  for (const auto& [page, expected] : cases) {
    EXPECT_EQ(Relaid(start + page), relaid + expected) << page;
  }
}

TEST(Relayout, WritesNothingWhenMemoryRunsOut) {
  const auto failing = [](void*, size_t) -> void* { return nullptr; };
  const auto previous = testing::SetGrowBufferRealloc(failing);
  GrowBuffer out;
  EXPECT_FALSE(Relayout(kInfo + "</div></div>" + std::string(100000, 'x'), out));
  testing::SetGrowBufferRealloc(previous);
  EXPECT_EQ(out.data, nullptr);
}

// ---------------------------------------------------------------- CleanPage

const std::string kPage = "<head><title>Kaze " + kMarker + "</title></head><body>menu" + kInfo +
                          "<h2>Info</h2></div><th>Title</th><td x=\"v\">Kaze (a1)</td></div>" +
                          "<img alt=\"p\"></div><p class=\"desc\">D<div class=\"g_section vote\">";

std::string Fields(const TitleInfo& info) {
  return std::string(info.title) + "|" + info.english + "|" + info.type;
}

// A page and its "_files" folder, whose top-level scripts go.
struct PageOnDisk {
  testsupport::TempFolder folder;
  std::string path;

  explicit PageOnDisk(const std::string& name, const std::string& bytes = kPage)
      : path(folder.Write(name, bytes)) {
    for (const char* file : {"a.js", "B.JS", "p.jpg", "sub/c.js"}) {
      folder.Write("Kaze_files/"s + file, "x");
    }
  }
  bool Has(const char* name) const { return std::filesystem::exists(folder.Path(name)); }
  void ExpectScriptsDeleted() const {
    EXPECT_FALSE(Has("Kaze_files/a.js") || Has("Kaze_files/B.JS"));
    EXPECT_TRUE(Has("Kaze_files/p.jpg") && Has("Kaze_files/sub/c.js"));
  }
};

TEST(CleanPage, APathWithoutExtensionIsCleanedAndItsFolderIsTheWholePathPlusFiles) {
  std::string cut;
  GrowBuffer relaid;
  ASSERT_TRUE(FirstRewrite(kPage, cut) && Relayout(cut, relaid));
  PageOnDisk disk("Kaze");
  TitleInfo info;
  CleanPage(disk.path.c_str(), info);
  EXPECT_EQ(testsupport::ReadFile(disk.path), relaid.View());
  EXPECT_EQ(Fields(info), "Kaze||");
  disk.ExpectScriptsDeleted();
}

TEST(CleanPage, APageItCannotRewriteStaysUntouchedAndLosesItsScripts) {
  std::string foreign = kPage;
  foreign.replace(foreign.find(kMarker), kMarker.size(), "::OtherSite::");
  const PageOnDisk unknown("Kaze.htm", foreign), held("Kaze.htm"), missing("Kaze.htm");
  std::filesystem::remove(missing.path);
  auto holder = platform::Files().OpenExclusive(held.path.c_str());
  ASSERT_NE(holder, nullptr);
  for (const PageOnDisk* disk : {&unknown, &held, &missing}) {
    SCOPED_TRACE(disk == &unknown ? "not recognised" : disk == &held ? "held" : "missing");
    TitleInfo info;
    std::strcpy(info.title, "stale");
    CleanPage(disk->path.c_str(), info);
    EXPECT_EQ(Fields(info), "||");
    disk->ExpectScriptsDeleted();
  }
  holder.reset();  // on Windows nobody may read the page before
  EXPECT_EQ(testsupport::ReadFile(unknown.path), foreign);
  EXPECT_EQ(testsupport::ReadFile(held.path), kPage);
  EXPECT_FALSE(missing.Has("Kaze.htm")) << "a missing page was made";
}

// What goes wrong on the in-memory disk below.
struct Faults {
  bool sizeFails = false;
  std::optional<uint64_t> reportedSize{};  // a size other than the real one
  std::optional<size_t> readLimit{};       // reads stop after this many bytes
  int failingWrite = 0;                    // 1-based write that stops after `writeKeeps` bytes
  size_t writeKeeps = 0;
  bool truncateFails = false;
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
    for (const std::string& entry : entries) visit(entry.c_str());
    return !entries.empty();
  }
  platform::PathKind Kind(const char*) override { return platform::PathKind::File; }
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
      {"size unknown", {.sizeFails = true}, kPage, "||"},
      {"2 GiB", {.reportedSize = uint64_t{1} << 31}, kPage, "||"},
      // Its low 32 bits give the page's own size: only the full size may count.
      {"4 GiB more", {.reportedSize = (uint64_t{1} << 32) + kPage.size()}, kPage, "||"},
      {"short read", {.readLimit = 7}, kPage, "||"},
      {"cut written in part", {.failingWrite = 1, .writeKeeps = 10}, kPage, "||"},
      {"cut not ended", {.truncateFails = true}, kPage, "||"},
      // The relaid page is longer than the cut one: the cut stays, its title read.
      {"relaid page stops past the cut's end", {.failingWrite = 2, .writeKeeps = cut.size() + 5},
       cut, "Kaze||"},
  };
  for (const auto& [what, faults, expected, fields] : cases) {
    MemoryDisk disk;
    disk.faults = faults;
    const platform::ScopedFileSystem scoped(disk);
    TitleInfo info;
    CleanPage("Kaze.htm", info);
    EXPECT_EQ(disk.page, expected) << what;
    EXPECT_EQ(Fields(info), fields) << what;
  }
}

TEST(CleanPage, ScriptPathsThatDoNotFitEndTheDeletion) {
  MemoryDisk disk;
  disk.entries = {"a.js"};
  const platform::ScopedFileSystem scoped(disk);
  TitleInfo info;
  const std::string stem(1012, 'p');
  const std::string folder = stem + "_files" + platform::kPathSeparator;

  // The pattern takes 1023 bytes: it fits.
  CleanPage((stem + ".htm").c_str(), info);
  EXPECT_EQ(disk.searched, std::vector<std::string>{folder + "*.js"});
  EXPECT_EQ(disk.removed, std::vector<std::string>{folder + "a.js"});
  // One byte more and the pattern does not fit: nothing is searched.
  CleanPage((stem + "p.htm").c_str(), info);
  EXPECT_EQ(disk.searched.size(), 1u);
  // A file name that does not fit beside the folder is not deleted.
  disk.entries = {std::string(10, 'n') + ".js"};
  CleanPage((stem + ".htm").c_str(), info);
  EXPECT_EQ(disk.searched.size(), 2u);
  EXPECT_EQ(disk.removed.size(), 1u);
}

}  // namespace
}  // namespace page
