#include "job/archiver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/job_records.h"
#include "platform/text.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

using Args = std::vector<std::string>;
using testsupport::ReportValues;

const std::string kSep(1, platform::kPathSeparator);
const std::string kFolder = "D:" + kSep + "Saved" + kSep;

page::TitleInfo Info(const std::string& title, const char* english, const char* type) {
  page::TitleInfo info;
  platform::CopyText(info.title, sizeof info.title, title.c_str());
  platform::CopyText(info.english, sizeof info.english, english);
  platform::CopyText(info.type, sizeof info.type, type);
  return info;
}

TEST(ArchiveBaseName, NamesTheArchiveAfterTheWorkInThePagesFolder) {
  const std::string page = kFolder + "page.htm";
  const std::string kLong(1023, 'T');
  const struct {
    std::string path;
    const char* title;
    const char* english;
    const char* type;
    std::string expected;
  } cases[] = {
      {page, "Name", "Other", "TV", kFolder + "Name [Other][TV]"},
      {page, "Name", "", "TV", kFolder + "Name [TV]"},
      {page, "Name", "", "", kFolder + "Name []"},
      {page, "Part 1: Start?", "", "TV", kFolder + "Part 1 - Start. [TV]"},
      {page, "A/B", "x|y", "OVA", kFolder + "A_B [x_y][OVA]"},
      // Without a title the archive is named after the page file.
      {page, "", "Other", "TV", kFolder + "page"},
      // A bare file name has no folder part; a name without "." is its own stem.
      {"page.htm", "Name", "", "TV", "Name [TV]"},
      {kFolder + "my.pages" + kSep + "page", "", "", "", kFolder + "my.pages" + kSep + "page"},
      // Cut at its capacity.
      {page, kLong.c_str(), "", "TV", (kFolder + kLong).substr(0, 1023)},
  };
  for (const auto& c : cases) {
    page::TitleInfo info = Info(c.title, c.english, c.type);
    EXPECT_EQ(job::ArchiveBaseName(c.path.c_str(), info), c.expected) << c.path << " / " << c.title;
  }
  EXPECT_EQ(job::FilesFolder((kFolder + "a.b.htm").c_str()), kFolder + "a.b_files");
  EXPECT_EQ(job::FilesFolder((kFolder + "page").c_str()), kFolder + "page");
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
  page::TitleInfo cut = Info(title + "\xD0\x96", "", "");
  EXPECT_EQ(job::ArchiveBaseName(path.c_str(), cut), kFolder + title);
#endif
}

TEST(ArgumentFormat, AcceptsOnlyUpToThreeTextConversionsAndPercentSigns) {
  for (const char* accepted : {" ", " a \"%s.7z\" \"%s\" \"%s\"", " %s%s%s", " 100%% %%s"}) {
    EXPECT_TRUE(job::IsAcceptedFormat(accepted)) << accepted;
  }
  for (const char* refused : {" %s %s %s %s", " %d", " %5s", " %ls", " %n", " trailing %"}) {
    EXPECT_FALSE(job::IsAcceptedFormat(refused)) << refused;
  }
  const std::string values[3] = {"base", std::string(3000, 'p'), "files"};
  EXPECT_EQ(job::FillFormat(" 100%% %%s \"%s\"", values), " 100% %s \"base\"");
  const std::string text = job::FillFormat(" %s %s %s", values);
  EXPECT_EQ(text, (" base " + values[1] + " files").substr(0, job::kArgumentTextCapacity - 1));
}

// Runs the archiver stand-in, told which code to end with and where to report.
class RunArchiverTest : public ::testing::Test {
 protected:
  int Run(const std::string& page, page::TitleInfo info, const std::string& code,
          const std::string& values) {
    job::ArchiverSettings settings;
    settings.program = testsupport::ArchiverStandinPath();
    settings.format = " " + code + " \"" + report_ + "\"" + values;
    return job::RunArchiver(page.c_str(), info, settings);
  }
  Args Arguments() const { return ReportValues(testsupport::ReadFile(report_), "arg"); }

  testsupport::TempFolder folder_;
  const std::string report_ = folder_.Path("report.txt");
};

TEST_F(RunArchiverTest, PassesTheThreeNamesAsArgumentsAndReturnsTheExitCode) {
  const std::string page = folder_.Path("my saved page.htm");
  const std::string dir = folder_.path().string() + kSep;
  EXPECT_EQ(Run(page, Info("Re: Zero", "Other Name", "TV"), "3", " a \"%s.7z\" \"%s\" \"%s\""), 3);
  EXPECT_EQ(Arguments(), (Args{"3", report_, "a", dir + "Re - Zero [Other Name][TV].7z", page,
                               dir + "my saved page_files"}));
  // Without placeholders the text is passed as it is.
  EXPECT_EQ(Run(page, Info("", "", ""), "0", " fixed  text"), job::STATUS_OK);
  EXPECT_EQ(Arguments(), (Args{"0", report_, "fixed", "text"}));
#ifdef _WIN32
  EXPECT_EQ(Run(page, Info("", "", ""), "-1", ""), -1);
#else
  // A POSIX exit status has eight bits: an archiver's -1 arrives as 255.
  EXPECT_EQ(Run(page, Info("", "", ""), "-1", ""), 255);
#endif
}

TEST_F(RunArchiverTest, WhatCannotStartGivesMinusOneAndRunsNothing) {
  page::TitleInfo info = Info("Name", "", "TV");
  EXPECT_EQ(Run("page.htm", info, "0", " %s %d"), job::STATUS_ARCHIVER_NOT_STARTED);
  EXPECT_EQ(Run("page.htm", info, "0", " %s %s %s %s"), job::STATUS_ARCHIVER_NOT_STARTED);
  for (const std::string& program :
       {std::string(), folder_.Path("no-such-archiver"), folder_.Write("a.txt", "no program")}) {
    job::ArchiverSettings settings;
    settings.program = program;
    settings.format = " 0 \"" + report_ + "\"";
    EXPECT_EQ(job::RunArchiver("page.htm", info, settings), job::STATUS_ARCHIVER_NOT_STARTED)
        << program;
  }
  EXPECT_EQ(testsupport::ReadFile(report_), "<missing>");
}

#ifdef _WIN32
TEST_F(RunArchiverTest, TheCommandLineBeginsWithABlankAndHiddenSetsTheWindowState) {
  job::ArchiverSettings settings;
  settings.program = testsupport::ArchiverStandinPath();
  settings.format = " 0 \"" + report_ + "\" x";
  for (const auto& [hidden, show] : {std::pair{1, "0"}, std::pair{7, "0"}, std::pair{0, "1"}}) {
    settings.hidden = hidden;
    page::TitleInfo info;
    ASSERT_EQ(job::RunArchiver("page.htm", info, settings), 0);
    const std::string report = testsupport::ReadFile(report_);
    EXPECT_EQ(ReportValues(report, "show"), Args{show}) << hidden;
    EXPECT_EQ(ReportValues(report, "cmdline"), Args{settings.format});
  }
}
#endif

}  // namespace
