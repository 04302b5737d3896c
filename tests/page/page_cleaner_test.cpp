#include "page/page_cleaner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
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

// ---------------------------------------------------------------- the search

TEST(FindFrom, AgreesWithAPlainSearchEverywhere) {
  const std::string texts[] = {
      "",
      "<div class=\"g_section info\"><div>x</div></div><img alt=\"a\"></div>",
      "aaaaalt=alt=l",
      "<p class=\"desc\"><p class=\"g_description\">___ _files_files",
      "Type\xD0\x9F\"><ab>::AnimeBase::</td>",
  };
  const std::string_view needles[] = {
      "", ">", "</div>", "alt=", "l", "_files", "g_section info", "<p class=\"desc\">",
      "\">", "</td>", "Type", "::AnimeBase::", "aaaa", "=l", "<div class=\"g_section info",
      "not there",
  };
  for (const std::string& text : texts) {
    for (const std::string_view needle : needles) {
      for (size_t from = 0; from <= text.size() + 1; ++from) {
        const size_t expected =
            from > text.size() ? kNotFound : std::string_view(text).find(needle, from);
        EXPECT_EQ(FindFrom(text, from, needle), expected)
            << "'" << needle << "' in '" << text << "' from " << from;
      }
    }
  }
}

// ---------------------------------------------------------------- first rewrite

struct CutCase {
  const char* what;
  std::string page;
  bool recognised;
  std::string expected;
};

TEST(FirstRewrite, CutsFromTheBodyTagToTheContentAnchor) {
  const std::string head = "<head><title>X " + kMarker + "</title></head>";
  const CutCase cases[] = {
      {"clutter goes, the body tag stays whole",
       head + "<body class=\"x\"><div>menu</div>\n<div class=\"g_section info\">I</div>", true,
       head + "<body class=\"x\"><div class=\"g_section info\">I</div>"},
      {"an anchor right after the body tag gives the same bytes",
       head + "<body><div class=\"g_content\">C</div>", true,
       head + "<body><div class=\"g_content\">C</div>"},
      {"the information section wins over an earlier content block",
       head + "<body><div class=\"g_content\">C<div class=\"g_section info\">I", true,
       head + "<body><div class=\"g_section info\">I"},
      {"the marker may stand anywhere before the first NUL",
       "<body>x<div class=\"g_content\">" + kMarker, true,
       "<body><div class=\"g_content\">" + kMarker},
      {"the bytes from the first NUL on follow the cut unchanged",
       head + "<body>junk<div class=\"g_content\">C\0<body>\xFF tail"s, true,
       head + "<body><div class=\"g_content\">C\0<body>\xFF tail"s},
      {"no marker", "<head></head><body><div class=\"g_content\">", false, ""},
      {"a marker after the first NUL does not count",
       "<body><div class=\"g_content\">\0"s + kMarker, false, ""},
      {"no body tag", head + "<div class=\"g_content\">", false, ""},
      {"no content anchor", head + "<body><div class=\"content\">", false, ""},
      {"a body tag that never ends", head + "<body class=\"<div class=\"g_content", false, ""},
      {"an anchor inside the body tag", head + "<body <div class=\"g_content\">", false, ""},
      {"an anchor before the body tag", head + "<div class=\"g_content\"><body>", false, ""},
      {"an empty page", "", false, ""},
  };
  for (const CutCase& c : cases) {
    std::string out = "stale";
    EXPECT_EQ(FirstRewrite(c.page, out), c.recognised) << c.what;
    EXPECT_EQ(out, c.expected) << c.what;
    EXPECT_LE(out.size(), c.page.size()) << c.what;
  }
}

// ---------------------------------------------------------------- relayout

struct RelayoutCase {
  const char* what;
  std::string page;
  bool written;
  std::string expected;
};

std::string Relaid(const std::string& page, bool& written) {
  GrowBuffer out;
  written = Relayout(page, out);
  return written ? std::string(out.View()) : std::string();
}

const std::string kTable = "<table width=\"100%\"><tr><td valign=\"top\">";
const std::string kInfo = "<div class=\"g_section info\">";

TEST(Relayout, LaysTheInformationSectionOutAsATable) {
  const RelayoutCase cases[] = {
      {"heading dropped, two cells, description below the table",
       "<b>" + kInfo + "<h2>Info</h2></div><div>rows</div><div>pic</div>" +
           "<p class=\"g_description\">About</p>",
       true,
       "<b>" + kInfo + kTable + "<td valign=\"top\"><div>rows</div></td><td><div>pic</div>" +
           "</td></tr></table><p class=\"g_description\">About</p>"},
      {"the short description class serves too",
       kInfo + "h</div>r</div>p<p class=\"desc\">D", true,
       kInfo + kTable + "<td valign=\"top\">r</div></td><td>p</td></tr></table>" +
           "<p class=\"desc\">D"},
      {"the anime_info section when there is no info section",
       "<div class=\"g_section anime_info x\">h</div>r</div>", true,
       "<div class=\"g_section anime_info x\">" + kTable + "<td valign=\"top\">r</div></td><td>"},
      {"no description leaves the table open", kInfo + "h</div>r</div>rest", true,
       kInfo + kTable + "<td valign=\"top\">r</div></td><td>rest"},
      {"no second end of section: no second cell", kInfo + "h</div>r<p class=\"desc\">D", true,
       kInfo + kTable + "<td valign=\"top\">r</td></tr></table><p class=\"desc\">D"},
      {"no end of section at all: no cell", kInfo + "h<p class=\"desc\">D", true,
       kInfo + kTable + "h<p class=\"desc\">D"},
      {"no information section", "<div class=\"g_content\">x</div>", false, ""},
      {"a section start tag that never ends", "<div class=\"g_section info", false, ""},
      {"a page relaid before", kInfo + kTable + "<td valign=\"top\">r</div>", false, ""},
      {"a remainder shorter than the table opening never matches",
       kInfo + kTable.substr(0, 20), true, kInfo + kTable + kTable.substr(0, 20)},
  };
  for (const RelayoutCase& c : cases) {
    bool written = false;
    EXPECT_EQ(Relaid(c.page, written), c.expected) << c.what;
    EXPECT_EQ(written, c.written) << c.what;
  }
}

TEST(Relayout, RemovesEachUnwantedBlockOnceFromTheCurrentPosition) {
  const std::string start = kInfo + "</div></div>";
  const std::string relaidStart = kInfo + kTable + "<td valign=\"top\"></div></td><td>";
  const RelayoutCase cases[] = {
      {"all six kinds, in order",
       start + "a<div class=\"g_section vote\">v</div>b" +
           "<div class=\"g_section anime_vote\">av</div>c" +
           "<div class=\"g_definitionlist mylist_add\">m</div>d" +
           "<div class=\"g_definitionlist anime_table\">t</div>e" +
           "<div class=\"g_section g_notebox\">n</div>f" +
           "<ul class=\"g_actionlist\"><li>x</li></ul>\ng",
       true, relaidStart + "abcdef\ng"},
      {"a block ends at its first closing, whatever it nests",
       start + "<div class=\"g_section vote\"><div>in</div>out</div>", true,
       relaidStart + "out</div>"},
      {"a block before an earlier kind's block stays",
       start + "<div class=\"g_section g_notebox\">n</div><div class=\"g_section vote\">v</div>!",
       true, relaidStart + "<div class=\"g_section g_notebox\">n</div>!"},
      {"a block without its closing stays, later kinds are looked for after its opening",
       start + "<div class=\"g_section g_notebox\">n<div class=\"g_section vote\">v" +
           "<ul class=\"g_actionlist\">l</ul>.",
       true,
       relaidStart + "<div class=\"g_section g_notebox\">n<div class=\"g_section vote\">v."},
      {"only the first block of a kind goes",
       start + "<div class=\"g_section vote\">1</div><div class=\"g_section vote\">2</div>", true,
       relaidStart + "<div class=\"g_section vote\">2</div>"},
  };
  for (const RelayoutCase& c : cases) {
    bool written = false;
    EXPECT_EQ(Relaid(c.page, written), c.expected) << c.what;
    EXPECT_EQ(written, c.written) << c.what;
  }
}

TEST(Relayout, GivesEveryTagWithAltAZeroBorder) {
  const std::string start = kInfo + "</div></div>";
  const std::string relaidStart = kInfo + kTable + "<td valign=\"top\"></div></td><td>";
  const RelayoutCase cases[] = {
      {"before the tag's end", start + "<img src=\"a\" alt=\"b\">", true,
       relaidStart + "<img src=\"a\" alt=\"b\" border=\"0\">"},
      {"between the slash and the end of a self-closing tag", start + "<img alt=\"b\" />", true,
       relaidStart + "<img alt=\"b\" / border=\"0\">"},
      {"once for two alt= in one tag", start + "<img alt=\"a\" x-alt=\"b\">", true,
       relaidStart + "<img alt=\"a\" x-alt=\"b\" border=\"0\">"},
      {"before the first > even inside a quoted value", start + "<img alt=\"a>b\">", true,
       relaidStart + "<img alt=\"a border=\"0\">b\">"},
      {"an alt= without a > after it ends the insertion",
       start + "<img alt=\"a\"><img alt=\"b\"", true,
       relaidStart + "<img alt=\"a\" border=\"0\"><img alt=\"b\""},
      {"tags before the current position keep their bytes",
       kInfo + "</div><img alt=\"p\"></div><p class=\"desc\"><img alt=\"q\">", true,
       kInfo + kTable + "<td valign=\"top\"><img alt=\"p\"></div></td><td></td></tr></table>" +
           "<p class=\"desc\"><img alt=\"q\" border=\"0\">"},
  };
  for (const RelayoutCase& c : cases) {
    bool written = false;
    EXPECT_EQ(Relaid(c.page, written), c.expected) << c.what;
    EXPECT_EQ(written, c.written) << c.what;
  }
}

TEST(Relayout, StopsAtTheFirstNulAndKeepsWhatFollowsIt) {
  const std::string page =
      kInfo + "</div></div><img alt=\"a\">\0<div class=\"g_section vote\">v</div><img alt=\"b\">"s;
  bool written = false;
  EXPECT_EQ(Relaid(page, written),
            kInfo + kTable + "<td valign=\"top\"></div></td><td><img alt=\"a\" border=\"0\">" +
                "\0<div class=\"g_section vote\">v</div><img alt=\"b\">"s);
  EXPECT_TRUE(written);
}

TEST(Relayout, WritesNothingWhenMemoryRunsOut) {
  const std::string page = kInfo + "</div></div>" + std::string(100000, 'x');
  const auto previous =
      testing::SetGrowBufferRealloc([](void*, size_t) -> void* { return nullptr; });
  GrowBuffer out;
  const bool written = Relayout(page, out);
  testing::SetGrowBufferRealloc(previous);
  EXPECT_FALSE(written);
  EXPECT_EQ(out.data, nullptr);
}

// ---------------------------------------------------------------- CleanPage on disk

const std::string kPage =
    "<html><head><title>Kaze " + kMarker + "</title></head>\n"
    "<body class=\"anime\">\n<div class=\"g_header\">menu</div>\n"
    "<div class=\"g_section info\">\n<h2>Info</h2></div>\n"
    "<div class=\"data\"><table>\n"
    "<tr><th>Main Title</th><td class=\"value\">Kaze (a12)</td></tr>\n"
    "<tr><th>Official</th><td class=\"value\" title=\"english\">Wind</td></tr>\n"
    "<tr><th>Type</th><td class=\"value\">Movie, 1 episode</td></tr>\n"
    "</table></div>\n"
    "<div class=\"image\"><img src=\"Kaze_files/p.jpg\" alt=\"Kaze\"></div>\n"
    "<p class=\"g_description\">About the wind.</p>\n"
    "<div class=\"g_section vote\">vote</div>\n"
    "<ul class=\"g_actionlist\"><li>add</li></ul>\n"
    "<img src=\"Kaze_files/s.jpg\" alt=\"Still\" />\n"
    "</body></html>";

// The page after the first rewrite: the clutter after the body tag is gone.
const std::string kCut = [] {
  std::string cut = kPage;
  const std::string clutter = "\n<div class=\"g_header\">menu</div>\n";
  return cut.erase(cut.find(clutter), clutter.size());
}();

const std::string kCleaned =
    "<html><head><title>Kaze " + kMarker + "</title></head>\n"
    "<body class=\"anime\">"
    "<div class=\"g_section info\">"
    "<table width=\"100%\"><tr><td valign=\"top\">"
    "<td valign=\"top\">\n"
    "<div class=\"data\"><table>\n"
    "<tr><th>Main Title</th><td class=\"value\">Kaze (a12)</td></tr>\n"
    "<tr><th>Official</th><td class=\"value\" title=\"english\">Wind</td></tr>\n"
    "<tr><th>Type</th><td class=\"value\">Movie, 1 episode</td></tr>\n"
    "</table></div>"
    "</td><td>\n"
    "<div class=\"image\"><img src=\"Kaze_files/p.jpg\" alt=\"Kaze\"></div>\n"
    "</td></tr></table>"
    "<p class=\"g_description\">About the wind.</p>\n"
    "\n"
    "\n"
    "<img src=\"Kaze_files/s.jpg\" alt=\"Still\" / border=\"0\">\n"
    "</body></html>";

// A page and its "_files" folder with scripts, an image and a subfolder.
struct PageOnDisk {
  testsupport::TempFolder folder;
  std::string path;

  explicit PageOnDisk(const std::string& bytes, const std::string& name = "Kaze.htm") {
    path = folder.Write(name, bytes);
    const std::string stem = name.substr(0, name.find('.'));
    for (const char* file : {"p.jpg", "site.js", "COUNTER.JS", "style.css", "widgets/rating.js"}) {
      folder.Write(stem + "_files/" + file, "x");
    }
  }

  bool Has(const std::string& name) const {
    return std::filesystem::exists(folder.path() / std::filesystem::path(name));
  }
  std::string Bytes() const { return testsupport::ReadFile(path); }
};

void ExpectScriptsDeleted(const PageOnDisk& disk, const std::string& stem) {
  EXPECT_FALSE(disk.Has(stem + "_files/site.js"));
  EXPECT_FALSE(disk.Has(stem + "_files/COUNTER.JS"));
  EXPECT_TRUE(disk.Has(stem + "_files/p.jpg"));
  EXPECT_TRUE(disk.Has(stem + "_files/style.css"));
  EXPECT_TRUE(disk.Has(stem + "_files/widgets/rating.js")) << "subfolders are not entered";
}

TitleInfo Stale() {
  TitleInfo info;
  std::strcpy(info.title, "old title");
  std::strcpy(info.english, "old english");
  std::strcpy(info.type, "old type");
  return info;
}

void ExpectEmpty(const TitleInfo& info) {
  EXPECT_STREQ(info.title, "");
  EXPECT_STREQ(info.english, "");
  EXPECT_STREQ(info.type, "");
}

TEST(CleanPage, RewritesThePageInPlaceAndReadsItsTitle) {
  PageOnDisk disk(kPage);
  TitleInfo info = Stale();
  CleanPage(disk.path.c_str(), info);
  EXPECT_EQ(disk.Bytes(), kCleaned);
  EXPECT_STREQ(info.title, "Kaze");
  EXPECT_STREQ(info.english, "Wind");
  EXPECT_STREQ(info.type, "Movie");
  ExpectScriptsDeleted(disk, "Kaze");
}

TEST(CleanPage, TwiceGivesTheSameFileAsOnce) {
  PageOnDisk disk(kPage);
  TitleInfo info;
  CleanPage(disk.path.c_str(), info);
  CleanPage(disk.path.c_str(), info);
  EXPECT_EQ(disk.Bytes(), kCleaned);
  EXPECT_STREQ(info.title, "Kaze");
}

TEST(CleanPage, LeavesAPageWithoutTheMarkerUntouchedButDeletesItsScripts) {
  std::string page = kPage;
  page.replace(page.find(kMarker), kMarker.size(), "::OtherSite::");
  PageOnDisk disk(page);
  TitleInfo info = Stale();
  CleanPage(disk.path.c_str(), info);
  EXPECT_EQ(disk.Bytes(), page);
  ExpectEmpty(info);
  ExpectScriptsDeleted(disk, "Kaze");
}

TEST(CleanPage, AMissingPageStillHasItsScriptsDeleted) {
  PageOnDisk disk(kPage);
  std::filesystem::remove(disk.path);
  TitleInfo info = Stale();
  CleanPage(disk.path.c_str(), info);
  ExpectEmpty(info);
  ExpectScriptsDeleted(disk, "Kaze");
}

TEST(CleanPage, APageHeldByAnotherOpenerStaysUntouched) {
  PageOnDisk disk(kPage);
  TitleInfo info = Stale();
  {
    const auto holder = platform::Files().OpenExclusive(disk.path.c_str());
    ASSERT_NE(holder, nullptr);
    CleanPage(disk.path.c_str(), info);
  }
  EXPECT_EQ(disk.Bytes(), kPage);
  ExpectEmpty(info);
  ExpectScriptsDeleted(disk, "Kaze");
}

TEST(CleanPage, APathWithoutExtensionUsesTheWholePathForTheFolder) {
  PageOnDisk disk(kPage, "Kaze");
  TitleInfo info;
  CleanPage(disk.path.c_str(), info);
  EXPECT_EQ(disk.Bytes(), kCleaned);
  ExpectScriptsDeleted(disk, "Kaze");
}

// Native files whose `failingWrite`-th page write stops half-way and says so.
class ShortWriteFiles final : public platform::FileSystem {
 public:
  explicit ShortWriteFiles(int failingWrite) : failingWrite_(failingWrite) {}

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path) override {
    auto file = platform::NativeFiles().OpenExclusive(path);
    if (!file) return nullptr;
    return std::make_unique<File>(std::move(file), *this);
  }
  bool FindEntries(const char* pattern,
                   const std::function<bool(const char*)>& visit) override {
    return platform::NativeFiles().FindEntries(pattern, visit);
  }
  platform::PathKind Kind(const char* path) override { return platform::NativeFiles().Kind(path); }
  bool RemoveFile(const char* path) override { return platform::NativeFiles().RemoveFile(path); }
  bool RenameNoReplace(const char* from, const char* to) override {
    return platform::NativeFiles().RenameNoReplace(from, to);
  }

 private:
  class File final : public platform::ExclusiveFile {
   public:
    File(std::unique_ptr<platform::ExclusiveFile> inner, ShortWriteFiles& owner)
        : inner_(std::move(inner)), owner_(owner) {}
    bool Size(uint64_t& size) override { return inner_->Size(size); }
    int64_t ReadFromStart(char* into, size_t count) override {
      return inner_->ReadFromStart(into, count);
    }
    int64_t WriteFromStart(const char* from, size_t count) override {
      if (++owner_.writes_ == owner_.failingWrite_) {
        return inner_->WriteFromStart(from, count / 2);
      }
      return inner_->WriteFromStart(from, count);
    }
    bool Truncate(uint64_t length) override { return inner_->Truncate(length); }

   private:
    std::unique_ptr<platform::ExclusiveFile> inner_;
    ShortWriteFiles& owner_;
  };

  int failingWrite_;
  int writes_ = 0;
};

TEST(CleanPage, AFailedFirstWriteLeavesThePageAsItWas) {
  PageOnDisk disk(kPage);
  ShortWriteFiles files(1);
  platform::ScopedFileSystem scoped(files);
  TitleInfo info = Stale();
  CleanPage(disk.path.c_str(), info);
  EXPECT_EQ(disk.Bytes(), kPage);
  ExpectEmpty(info);
  ExpectScriptsDeleted(disk, "Kaze");
}

TEST(CleanPage, AFailedRelayoutWriteLeavesThePageCut) {
  PageOnDisk disk(kPage);
  ShortWriteFiles files(2);
  platform::ScopedFileSystem scoped(files);
  TitleInfo info;
  CleanPage(disk.path.c_str(), info);
  EXPECT_EQ(disk.Bytes(), kCut);
  EXPECT_STREQ(info.title, "Kaze");
  EXPECT_STREQ(info.type, "Movie");
}

// Records the script search and deletions; no page can be opened.
class RecordingFiles final : public platform::FileSystem {
 public:
  std::vector<std::string> patterns;
  std::vector<std::string> removed;
  std::string entry = "a.js";

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char*) override { return nullptr; }
  bool FindEntries(const char* pattern,
                   const std::function<bool(const char*)>& visit) override {
    patterns.push_back(pattern);
    visit(entry.c_str());
    return true;
  }
  platform::PathKind Kind(const char*) override { return platform::PathKind::Missing; }
  bool RemoveFile(const char* path) override {
    removed.push_back(path);
    return true;
  }
  bool RenameNoReplace(const char*, const char*) override { return false; }
};

TEST(CleanPage, ScriptPathsThatDoNotFitEndTheDeletion) {
  RecordingFiles files;
  platform::ScopedFileSystem scoped(files);
  TitleInfo info;
  const std::string sep(1, platform::kPathSeparator);

  // stem + "_files" + separator + "*.js" takes 1023 bytes: it fits.
  const std::string fitting(1012, 'p');
  CleanPage((fitting + ".htm").c_str(), info);
  ASSERT_EQ(files.patterns.size(), 1u);
  EXPECT_EQ(files.patterns[0], fitting + "_files" + sep + "*.js");
  EXPECT_EQ(files.removed, std::vector<std::string>{fitting + "_files" + sep + "a.js"});

  // One byte more and the pattern does not fit: nothing is searched.
  CleanPage((fitting + "p.htm").c_str(), info);
  EXPECT_EQ(files.patterns.size(), 1u);

  // A file name that does not fit beside the folder is not deleted.
  files.entry = std::string(10, 'n') + ".js";
  CleanPage((fitting + ".htm").c_str(), info);
  EXPECT_EQ(files.patterns.size(), 2u);
  EXPECT_EQ(files.removed.size(), 1u);
}

}  // namespace
}  // namespace page
