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
const std::string kSep(1, platform::kPathSeparator);

// Names on disk: ANSI on Windows, where values go in as they are; UTF-8 on POSIX, where an
// ANSI value ("Фильм" in Windows-1251) is converted and a cut never splits a character.
#ifdef _WIN32
const std::string kFilm = "\xD4\xE8\xEB\xFC\xEC", kHalfChar = "\xD0";
#else
const std::string kFilm = "\xD0\xA4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC", kHalfChar;
#endif

TEST(ArchiveBaseName, NamesTheArchiveAfterTheWorkInThePagesFolder) {
  const std::string dir = "D:" + kSep + "Saved" + kSep, page = dir + "page.htm";
  const std::string dotted = dir + "my.pages" + kSep + "page", full(1021, 'd');
  const struct {
    std::string path;
    page::TitleInfo info;
    std::string expected;
  } cases[] = {
      {page, {"Name", "", "TV"}, dir + "Name [TV]"},
      {page, {"Part 1: Start?", "", "TV"}, dir + "Part 1 - Start. [TV]"},
      {page, {"\xD4\xE8\xEB\xFC\xEC", "", "\xD0\xA2\xD0\x92"}, dir + kFilm + " [\xD0\xA2\xD0\x92]"},
      {page, {"", "Other", "TV"}, dir + "page"},      // no title: the page's own name
      {"page.htm", {"Name", "", "TV"}, "Name [TV]"},  // a bare name has no folder part
      {dotted, {}, dotted},                           // a folder's dot is no extension
      {full + kSep + "p.htm", {"\xD0\x96"}, full + kSep + kHalfChar},  // cut at 1023 bytes
  };
  for (const auto& c : cases) {
    page::TitleInfo info = c.info;
    EXPECT_EQ(job::ArchiveBaseName(c.path.c_str(), info), c.expected) << c.path;
  }
}

TEST(RunArchiver, FillsTheFormatStartsTheProgramAsToldAndReturnsItsExitCodeOrMinusOne) {
  const std::string values[3] = {"base", std::string(5000, 'p'), "files"};
  EXPECT_EQ(job::FillFormat(" 100%% \"%s\"", values), " 100% \"base\"");
  EXPECT_EQ(job::FillFormat(" %s %s %s", values),  // cut at 4095 bytes
            (" base " + values[1] + " files").substr(0, 4095));
  testsupport::TempFolder folder;
  const std::string standin = testsupport::ArchiverStandinPath(), report = folder.Path("report");
  // The stand-in ends with the code the text begins with, and reports to the file after it.
  const auto run = [](const std::string& program, const std::string& text, int hidden = 1) {
    page::TitleInfo info;
    return job::RunArchiver("p.htm", info, {" " + text, program, hidden});
  };
  const auto reported = [&](const char* key) {
    return testsupport::ReportValues(testsupport::ReadFile(report), key);
  };
  for (const char* refused : {"%d", "%s %s %s %s", "%5s", "%ls", "%n", "0 trailing %"})
    EXPECT_EQ(run(standin, refused), job::STATUS_ARCHIVER_NOT_STARTED) << refused;
  for (const std::string& program : {std::string(), folder.Path("none"), folder.Write("a", "x")})
    EXPECT_EQ(run(program, "0"), job::STATUS_ARCHIVER_NOT_STARTED) << program;
  const std::string text = "3 \"" + report + "\" fixed  text";  // no placeholders: as it is
  EXPECT_EQ(run(standin, text), 3);
  EXPECT_EQ(reported("arg"), (Args{"3", report, "fixed", "text"}));
#ifdef _WIN32
  EXPECT_EQ(run(standin, "-1"), -1);
  // The command line is the text itself; "Hidden" sets the show-window state.
  for (const auto& [hidden, show] : {std::pair{1, "0"}, std::pair{7, "0"}, std::pair{0, "1"}}) {
    EXPECT_EQ(run(standin, text, hidden), 3);
    EXPECT_EQ(reported("show"), Args{show}) << hidden;
    EXPECT_EQ(reported("cmdline"), Args{" " + text});
  }
#else
  EXPECT_EQ(run(standin, "-1"), 255);  // a POSIX exit status has eight bits
#endif
}

}  // namespace
