// The hand-made catalogue pages of samples/, cleaned as the program cleans
// them, against their expected forms in samples/expected/.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>

#include "page/link_repair.h"
#include "page/page_cleaner.h"
#include "tests/support/temp_folder.h"

namespace page {
namespace {

namespace fs = std::filesystem;

const fs::path kSamples = VELKOR_SAMPLES_DIR;

struct Sample {
  const char* file;
  const char* stem;
  bool savedByFirefox;  // its links are repaired before the cleaning
  // Title and Type in the page's own bytes, English in Windows-1251.
  const char* title;
  const char* english;
  const char* type;
};

const char kTvSeriesUtf8[] = "\xD0\xA2\xD0\x92-\xD1\x81\xD0\xB5\xD1\x80\xD0\xB8\xD0\xB0\xD0\xBB";
const char kFilm1251[] = "\xD4\xE8\xEB\xFC\xEC";

const Sample kSampleList[] = {
    {"Starlight Harbor.htm", "Starlight Harbor", false, "Hoshizora no Minato",
     "Starlight Harbor", kTvSeriesUtf8},
    {"Frost Wind.htm", "Frost Wind", false, "Itetsuku Kaze", "Frost Wind", "OVA"},
    {"Quiet Valley.htm", "Quiet Valley", false, "Shizuka na Tani", "Quiet Valley", kFilm1251},
    {"Lantern Road.html", "Lantern Road", true, "Lantern Road", "", kTvSeriesUtf8},
    {"Paper Cranes.htm", "Paper Cranes", false, "", "", ""},
    {"Clockwork Garden.htm", "Clockwork Garden", false, "Karakuri Teien", "Clockwork Garden",
     kFilm1251},
};

bool IsScript(const fs::path& file) {
  std::string extension = file.extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return extension == ".js";
}

// Every script at the top of the copied folder is gone; everything else of
// the sample folder, subfolders included, is still there.
void ExpectOnlyTopScriptsDeleted(const fs::path& sampleFolder, const fs::path& copiedFolder) {
  int scripts = 0;
  for (const fs::directory_entry& entry : fs::recursive_directory_iterator(sampleFolder)) {
    if (!entry.is_regular_file()) continue;
    const fs::path relative = fs::relative(entry.path(), sampleFolder);
    const bool topScript = relative.parent_path().empty() && IsScript(relative);
    scripts += topScript ? 1 : 0;
    EXPECT_EQ(fs::exists(copiedFolder / relative), !topScript) << relative.string();
  }
  EXPECT_GE(scripts, 2) << "a sample folder without scripts tests nothing";
}

TEST(SamplePages, CleanToTheirExpectedForms) {
  for (const Sample& sample : kSampleList) {
    SCOPED_TRACE(sample.file);
    testsupport::TempFolder temp;
    const std::string folderName = std::string(sample.stem) + "_files";
    fs::copy_file(kSamples / sample.file, temp.path() / sample.file);
    fs::copy(kSamples / folderName, temp.path() / folderName, fs::copy_options::recursive);
    const std::string path = temp.Path(sample.file);
    const fs::path expectedPath = kSamples / "expected" / (std::string(sample.stem) + ".htm");
    const std::string expected = testsupport::ReadFile(expectedPath.string());
    ASSERT_NE(expected, "<missing>");

    if (sample.savedByFirefox) RepairSavedLinks(path.c_str());
    TitleInfo info;
    CleanPage(path.c_str(), info);
    EXPECT_EQ(testsupport::ReadFile(path), expected);
    EXPECT_STREQ(info.title, sample.title);
    EXPECT_STREQ(info.english, sample.english);
    EXPECT_STREQ(info.type, sample.type);
    ExpectOnlyTopScriptsDeleted(kSamples / folderName, temp.path() / folderName);

    // A cleaned page is cleaned again without change.
    CleanPage(path.c_str(), info);
    EXPECT_EQ(testsupport::ReadFile(path), expected);
  }
}

}  // namespace
}  // namespace page
