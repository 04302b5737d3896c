// The hand-made catalogue pages of samples/ (UTF-8, KOI8-R, Windows-1251, a
// Firefox page, a UTF-16 page, a page with a NUL), cleaned as the program
// cleans them, against their expected forms in samples/expected/.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "page/link_repair.h"
#include "page/page_cleaner.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

namespace fs = std::filesystem;

const char kTvSeriesUtf8[] = "\xD0\xA2\xD0\x92-\xD1\x81\xD0\xB5\xD1\x80\xD0\xB8\xD0\xB0\xD0\xBB";
const char kFilm1251[] = "\xD4\xE8\xEB\xFC\xEC";

TEST(SamplePages, CleanToTheirExpectedFormsAndStaySoWhenCleanedAgain) {
  const struct {
    const char* file;
    bool savedByFirefox;  // its links are repaired before the cleaning
    // Title and Type in the page's own bytes, English in Windows-1251.
    const char* title;
    const char* english;
    const char* type;
  } samples[] = {
      {"Starlight Harbor.htm", false, "Hoshizora no Minato", "Starlight Harbor", kTvSeriesUtf8},
      {"Frost Wind.htm", false, "Itetsuku Kaze", "Frost Wind", "OVA"},
      {"Quiet Valley.htm", false, "Shizuka na Tani", "Quiet Valley", kFilm1251},
      {"Lantern Road.html", true, "Lantern Road", "", kTvSeriesUtf8},
      {"Paper Cranes.htm", false, "", "", ""},
      {"Clockwork Garden.htm", false, "Karakuri Teien", "Clockwork Garden", kFilm1251},
  };
  const fs::path folder = VELKOR_SAMPLES_DIR;
  for (const auto& sample : samples) {
    SCOPED_TRACE(sample.file);
    const fs::path stem = fs::path(sample.file).stem();
    const std::string expected =
        testsupport::ReadFile((folder / "expected" / stem).string() + ".htm");
    ASSERT_NE(expected, "<missing>");
    testsupport::TempFolder temp;
    fs::copy_file(folder / sample.file, temp.path() / sample.file);
    const std::string path = temp.Path(sample.file);

    if (sample.savedByFirefox) RepairSavedLinks(path.c_str());
    TitleInfo info;
    CleanPage(path.c_str(), info);
    EXPECT_EQ(testsupport::ReadFile(path), expected);
    EXPECT_STREQ(info.title, sample.title);
    EXPECT_STREQ(info.english, sample.english);
    EXPECT_STREQ(info.type, sample.type);

    CleanPage(path.c_str(), info);
    EXPECT_EQ(testsupport::ReadFile(path), expected) << "cleaning again changed the page";
  }
}

}  // namespace
}  // namespace page
