#include "job/archiver.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "job/job_records.h"
#include "platform/text.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

using testsupport::ReportValues;

const std::string kSep(1, platform::kPathSeparator);
const std::string kFolder = "D:" + kSep + "Saved" + kSep;

page::TitleInfo Info(const char* title, const char* english, const char* type) {
  page::TitleInfo info;
  platform::CopyText(info.title, sizeof info.title, title);
  platform::CopyText(info.english, sizeof info.english, english);
  platform::CopyText(info.type, sizeof info.type, type);
  return info;
}

TEST(ArchiveBaseName, NamesTheArchiveAfterTheWorkInThePagesFolder) {
  struct Case {
    std::string path;
    const char* title;
    const char* english;
    const char* type;
    std::string expected;
  };
  const Case cases[] = {
      {kFolder + "page.htm", "Name", "Other", "TV", kFolder + "Name [Other][TV]"},
      {kFolder + "page.htm", "Name", "", "TV", kFolder + "Name [TV]"},
      {kFolder + "page.htm", "Name", "", "", kFolder + "Name []"},
      {kFolder + "page.htm", "Part 1: Start?", "", "TV", kFolder + "Part 1 - Start. [TV]"},
      {kFolder + "page.htm", "A/B", "x|y", "OVA", kFolder + "A_B [x_y][OVA]"},
      // Without a title the archive is named after the page file.
      {kFolder + "page.htm", "", "Other", "TV", kFolder + "page"},
      {kFolder + "page.htm", "", "", "", kFolder + "page"},
      // A bare file name has no folder part; a name without "." is its own stem.
      {"page.htm", "Name", "", "TV", "Name [TV]"},
      {"page", "", "", "", "page"},
      {kFolder + "my.pages" + kSep + "page", "", "", "", kFolder + "my.pages" + kSep + "page"},
  };
  for (const Case& c : cases) {
    page::TitleInfo info = Info(c.title, c.english, c.type);
    EXPECT_EQ(job::ArchiveBaseName(c.path.c_str(), info), c.expected) << c.path << " / " << c.title;
  }
}

TEST(ArchiveBaseName, IsCutAtItsCapacity) {
  page::TitleInfo info = Info(std::string(1023, 'T').c_str(), "", "TV");
  const std::string path = kFolder + "page.htm";
  const std::string base = job::ArchiveBaseName(path.c_str(), info);
  EXPECT_EQ(base.size(), job::kArchiveBaseCapacity - 1);
  EXPECT_EQ(base, (kFolder + std::string(1023, 'T')).substr(0, 1023));
}

TEST(ArchiveBaseName, ValuesAreWrittenAsTheDisksNamesAreSpelt) {
  // "Фильм" in Windows-1251, "ТВ" in UTF-8.
  page::TitleInfo info = Info("\xD4\xE8\xEB\xFC\xEC", "Other", "\xD0\xA2\xD0\x92");
  const std::string path = kFolder + "page.htm";
#ifdef _WIN32
  // ANSI names: the values go in as they are.
  EXPECT_EQ(job::ArchiveBaseName(path.c_str(), info),
            kFolder + "\xD4\xE8\xEB\xFC\xEC [Other][\xD0\xA2\xD0\x92]");
#else
  // UTF-8 names: the ANSI value is converted, the UTF-8 one kept.
  EXPECT_EQ(job::ArchiveBaseName(path.c_str(), info),
            kFolder + "\xD0\xA4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC [Other][\xD0\xA2\xD0\x92]");
  // A cut never leaves half a character behind.
  const std::string title(1022 - kFolder.size(), 'T');
  page::TitleInfo cut = Info((title + "\xD0\x96").c_str(), "", "");
  EXPECT_EQ(job::ArchiveBaseName(path.c_str(), cut), kFolder + title);
#endif
}

TEST(FilesFolder, PutsFilesInPlaceOfTheExtension) {
  EXPECT_EQ(job::FilesFolder((kFolder + "page.htm").c_str()), kFolder + "page_files");
  EXPECT_EQ(job::FilesFolder((kFolder + "a.b.htm").c_str()), kFolder + "a.b_files");
  EXPECT_EQ(job::FilesFolder((kFolder + "page").c_str()), kFolder + "page");
}

TEST(ArgumentFormat, AcceptsOnlyUpToThreeTextConversionsAndPercentSigns) {
  const std::pair<const char*, bool> cases[] = {
      {" ", true},
      {" a \"%s.7z\" \"%s\" \"%s\"", true},
      {" %s%s%s", true},
      {" 100%% %s", true},
      {" %%s %%d", true},
      {" fixed text", true},
      {" %s %s %s %s", false},
      {" %d", false},
      {" %5s", false},
      {" %ls", false},
      {" %n", false},
      {" trailing %", false},
      {" %s %x", false},
  };
  for (const auto& [format, accepted] : cases) {
    EXPECT_EQ(job::IsAcceptedFormat(format), accepted) << format;
  }
}

TEST(ArgumentFormat, FillsValuesInOrderAndCutsAtItsCapacity) {
  const std::string values[3] = {"base", "page.htm", "page_files"};
  EXPECT_EQ(job::FillFormat(" a \"%s.7z\" \"%s\" \"%s\"", values),
            " a \"base.7z\" \"page.htm\" \"page_files\"");
  EXPECT_EQ(job::FillFormat(" %s", values), " base");
  EXPECT_EQ(job::FillFormat(" 100%% %%s", values), " 100% %s");
  EXPECT_EQ(job::FillFormat(" fixed", values), " fixed");

  const std::string longValues[3] = {std::string(3000, 'a'), std::string(3000, 'b'), "c"};
  const std::string text = job::FillFormat(" %s %s %s", longValues);
  EXPECT_EQ(text.size(), job::kArgumentTextCapacity - 1);
  EXPECT_EQ(text.back(), 'b');
}

TEST(ArgumentFormat, ARefusedFormatLeavesTheFieldsUnsanitised) {
  page::TitleInfo info = Info("A: B", "", "TV");
  std::string text = "untouched";
  EXPECT_FALSE(job::BuildArgumentText("page.htm", info, " %d %s", text));
  EXPECT_STREQ(info.title, "A: B");
  EXPECT_EQ(text, "untouched");
}

// The archiver stand-in, told where to report and which code to end with.
class RunArchiverTest : public ::testing::Test {
 protected:
  job::ArchiverSettings Settings(const std::string& code, const std::string& values) const {
    job::ArchiverSettings settings;
    settings.program = testsupport::ArchiverStandinPath();
    settings.format = " " + code + " \"" + report_ + "\"" + values;
    return settings;
  }
  std::string Report() const { return testsupport::ReadFile(report_); }

  testsupport::TempFolder folder_;
  const std::string report_ = folder_.Path("report.txt");
};

TEST_F(RunArchiverTest, PassesTheThreeNamesAsArgumentsAndReturnsTheExitCode) {
  const std::string page = folder_.Path("my saved page.htm");
  page::TitleInfo info = Info("Re: Zero", "Other Name", "TV");
  const int status =
      job::RunArchiver(page.c_str(), info, Settings("3", " a \"%s.7z\" \"%s\" \"%s\""));
  EXPECT_EQ(status, 3);
  const std::string dir = folder_.path().string() + kSep;
  EXPECT_EQ(ReportValues(Report(), "arg"),
            (std::vector<std::string>{"3", report_, "a", dir + "Re - Zero [Other Name][TV].7z",
                                      page, dir + "my saved page_files"}));
}

TEST_F(RunArchiverTest, ExitCodesReachTheStatusUnchanged) {
  page::TitleInfo info;
  EXPECT_EQ(job::RunArchiver("page.htm", info, Settings("0", "")), job::STATUS_OK);
  EXPECT_EQ(job::RunArchiver("page.htm", info, Settings("3", "")), 3);
#ifdef _WIN32
  EXPECT_EQ(job::RunArchiver("page.htm", info, Settings("-1", "")), -1);
#else
  // A POSIX exit status has eight bits: the archiver's -1 arrives as 255.
  EXPECT_EQ(job::RunArchiver("page.htm", info, Settings("-1", "")), 255);
#endif
}

TEST_F(RunArchiverTest, ACommandWithoutPlaceholdersIsPassedAsItIs) {
  page::TitleInfo info = Info("Name", "", "TV");
  EXPECT_EQ(job::RunArchiver("page.htm", info, Settings("0", " fixed  text")), 0);
  EXPECT_EQ(ReportValues(Report(), "arg"),
            (std::vector<std::string>{"0", report_, "fixed", "text"}));
}

TEST_F(RunArchiverTest, AnArchiverThatCannotStartGivesMinusOne) {
  page::TitleInfo info;
  job::ArchiverSettings missing = Settings("0", "");
  missing.program = folder_.Path("no-such-archiver");
  EXPECT_EQ(job::RunArchiver("page.htm", info, missing), job::STATUS_ARCHIVER_NOT_STARTED);

  job::ArchiverSettings unset = Settings("0", "");
  unset.program.clear();
  EXPECT_EQ(job::RunArchiver("page.htm", info, unset), job::STATUS_ARCHIVER_NOT_STARTED);

  job::ArchiverSettings notAProgram = Settings("0", "");
  notAProgram.program = folder_.Write("archiver.txt", "not a program");
  EXPECT_EQ(job::RunArchiver("page.htm", info, notAProgram), job::STATUS_ARCHIVER_NOT_STARTED);
  EXPECT_EQ(Report(), "<missing>");
}

TEST_F(RunArchiverTest, ARefusedFormatStartsNothing) {
  page::TitleInfo info = Info("Name", "", "TV");
  EXPECT_EQ(job::RunArchiver("page.htm", info, Settings("0", " %s %d")),
            job::STATUS_ARCHIVER_NOT_STARTED);
  EXPECT_EQ(job::RunArchiver("page.htm", info, Settings("0", " %s %s %s %s")),
            job::STATUS_ARCHIVER_NOT_STARTED);
  EXPECT_EQ(Report(), "<missing>");
}

#ifdef _WIN32
TEST_F(RunArchiverTest, TheCommandLineBeginsWithABlankAndHiddenSetsTheWindowState) {
  page::TitleInfo info;
  job::ArchiverSettings settings = Settings("0", " x");
  for (const auto& [hidden, show] : {std::pair{1, "0"}, std::pair{7, "0"}, std::pair{0, "1"}}) {
    settings.hidden = hidden;
    ASSERT_EQ(job::RunArchiver("page.htm", info, settings), 0);
    const std::string report = Report();
    EXPECT_EQ(ReportValues(report, "show"), std::vector<std::string>{show}) << hidden;
    EXPECT_EQ(ReportValues(report, "cmdline"), std::vector<std::string>{settings.format});
  }
}
#endif

}  // namespace
