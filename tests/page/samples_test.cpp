// The sample pages: hand-made catalogue pages (UTF-8, KOI8-R, Windows-1251,
// Firefox, UTF-16, an embedded NUL) with their "_files" folders, cleaned in a
// copy as the program cleans them, against samples/expected/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "page/journal.h"
#include "page/page_cleaner.h"
#include "tests/support/fixtures.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using testsupport::kSamples;
using testsupport::ReadFile;

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

    TitleInfo info;
    const WriteSettings settings{.repairLinks = sample.savedByFirefox, .sync = true};
    EXPECT_EQ(CleanPage(path.c_str(), settings, info),
              expected == ReadFile(path) ? PageOutcome::Unchanged : PageOutcome::Rewritten);
    EXPECT_EQ(ReadFile(path), expected);
    EXPECT_FALSE(fs::exists(path + std::string(kJournalSuffix)));
    EXPECT_EQ(std::string(info.title) + "|" + info.english + "|" + info.type, sample.fields);
    ExpectOnlyScriptsDeleted(path);

    EXPECT_EQ(CleanPage(path.c_str(), settings, info), PageOutcome::Unchanged);
    EXPECT_EQ(ReadFile(path), expected) << "cleaning again changed the page";
  }
}

}  // namespace
}  // namespace page
