// What a job does to one page and with the archiver; its runner is worker_test.cpp's.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "job/archiver.h"
#include "job/job_records.h"
#include "job/process_job.h"
#include "page/journal.h"
#include "platform/process.h"
#include "platform/text.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
const std::string kSep(1, platform::kPathSeparator);

job::ArchiverSettings Archiver(std::string format, std::string program, int hidden = 1) {
  job::ArchiverSettings settings;
  settings.format = std::move(format);
  settings.program = std::move(program);
  settings.hidden = hidden;
  return settings;
}

TEST(ArchiveBaseName, NamesTheArchiveAfterTheWorkInThePagesFolderInUtf8) {
  using page::PageCharset;
  const std::string dir = "D:" + kSep + "Saved" + kSep, page = dir + "page.htm";
  const std::string dotted = dir + "my.pages" + kSep + "page", full(1021, 'd');
  // "Фильм" and "ТВ" as a UTF-8, a Windows-1251 and a KOI8-R page write them.
  const std::string film = "\xD0\xA4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC", tv = "\xD0\xA2\xD0\x92";
  const std::tuple<std::string, page::TitleInfo, std::string> cases[] = {
      {page, {"Part 1: Start?", "", "TV"}, dir + "Part 1 - Start. [TV]"},
      {page, {"\xD4\xE8\xEB\xFC\xEC", "", "\xD2\xC2"}, dir + film + " [" + tv + "]"},
      {page, {"\xE6\xC9\xCC\xD8\xCD", "Film", "\xF4\xF7", PageCharset::Koi8R},
       dir + film + " [Film][" + tv + "]"},
      {page, {"", "", "", PageCharset::Utf8}, dir + "page"},
      // Text that is no UTF-8 on a UTF-8 page is read as ANSI text.
      {page, {"\xD4\xE8\xEB\xFC\xEC", "", "TV", PageCharset::Utf8}, dir + film + " [TV]"},
      // Numeric references read where a name can hold the character, and sanitised as it.
      {page,
       {"Gekij&#333;ban Kait&#x14D;&#32;&#X14c;", "A&#47;B&#58;C&#0063;",
        "&#0;&#31;&#xD800;&#333&#x110000;"},
       dir + "Gekij\xC5\x8D" "ban Kait\xC5\x8D \xC5\x8C [A_B-C.]"
           "[&#0;&#31;&#xD800;&#333&#x110000;]"},
      // The references by name every page writes; one without its ";" is none.
      {page, {"Mao &amp; Rin &lt;3", "&quot;Jewel&quot;&nbsp;Girl&apos;s", "&amp"},
       dir + "Mao & Rin (3 ['Jewel'\xC2\xA0Girl's][&amp]"},
      {"page.htm", {"Name", "", "TV"}, "Name [TV]"},  // a bare name has no folder part
      {dotted, {}, dotted},                           // a folder's dot is no extension
      // Cut at 1023 bytes, never inside a character.
      {full + kSep + "p.htm", {"\xC6"}, full + kSep},
  };
  for (const auto& [path, given, expected] : cases) {
    page::TitleInfo info = given;
    EXPECT_EQ(job::ArchiveBaseName(path.c_str(), info), expected) << path;
  }
  // A name longer than a file system holds (240 units leave room for an extension) loses the
  // end of its English name, then of its title; Windows counts a Cyrillic letter once.
  const auto named = [&page](const std::string& title, const std::string& english) {
    page::TitleInfo info{.charset = PageCharset::Utf8};
    platform::CopyText(info.title, sizeof info.title, title.c_str());
    platform::CopyText(info.english, sizeof info.english, english.c_str());
    platform::CopyText(info.type, sizeof info.type, "TV");
    return job::ArchiveBaseName(page.c_str(), info);
  };
  const std::string t(100, 'T'), e(132, 'E');
  EXPECT_EQ(named(t, e + " " + std::string(67, 'F')), dir + t + " [" + e + "][TV]");
  EXPECT_EQ(named(std::string(300, 'T'), "Eng"), dir + std::string(235, 'T') + " [TV]");
  std::string letters;
  for (int i = 0; i < 150; ++i) letters += "\xD0\xB4";
  EXPECT_EQ(named(letters, ""),
            dir + (kSep == "\\" ? letters : letters.substr(0, 234)) + " [TV]");
}

// What a job does, as it happens: its start as the front end hears of it,
// and each start of the archiver (with the page as it then stands on the
// disk), answered as told.
class JobSteps final : public job::ResultSink, public platform::ProcessLauncher {
 public:
  struct Start {
    std::string program, format;
    Strings values;
    platform::ProcessOptions options;
  };
  void JobStarted(const char* name) override { events.push_back(std::string("started ") + name); }
  bool Deliver(std::unique_ptr<job::JobResult>) override { return true; }
  platform::ProcessResult Run(const char* program, const platform::ArgumentFormat& arguments,
                              const platform::ProcessOptions& options) override {
    starts.push_back({program, std::string(arguments.format),
                      {arguments.values.begin(), arguments.values.end()}, options});
    events.push_back("archiver for " + fs::path(arguments.values[1]).filename().string());
    pageAtArchiving = testsupport::ReadFile(arguments.values[1]);
    return answer;
  }

  Strings events;
  std::vector<Start> starts;
  std::string pageAtArchiving;
  platform::ProcessResult answer{platform::ProcessResult::Ending::Exited, 0, ""};
};

// The launch itself, with real programs, is the platform tests' matter; here what is started,
// with what, and what its ending gives.
TEST(RunArchiver, StartsTheArchiverWithTheFormatAndItsThreeValuesOrGivesMinusOne) {
  JobSteps launcher;
  const platform::ScopedProcessLauncher scoped(launcher);
  std::string output;
  const std::string page = "D:" + kSep + "Saved" + kSep + "page.htm";
  const auto run = [&](const job::ArchiverSettings& settings, const std::string& path) {
    page::TitleInfo info;
    return job::RunArchiver(path.c_str(), info, settings, output);
  };
  const std::string program = "C:" + kSep + "my archiver" + kSep + "a.exe";
  // Formats that convert anything but %s, or more than three values; no program; a text that
  // would not fit its 4095 bytes: none starts.
  for (const char* refused : {"%d", "%s %s %s %s", "%5s", "%ls", "%n", "0 trailing %"})
    EXPECT_EQ(run(Archiver(refused, program), page), job::STATUS_ARCHIVER_NOT_STARTED) << refused;
  EXPECT_EQ(run(Archiver("a %s", ""), page), job::STATUS_ARCHIVER_NOT_STARTED);
  const std::string longPage = std::string(3000, 'p') + ".htm";
  EXPECT_EQ(run(Archiver("0 %s %s %s", program), longPage), job::STATUS_ARCHIVER_NOT_STARTED);
  EXPECT_TRUE(launcher.starts.empty());
  EXPECT_EQ(run(Archiver("0 %s %s", program), longPage), 0);

  // The program as given, the format as written, its values, and "Hidden" for the window.
  for (const int hidden : {0, 1, 7}) {
    launcher.starts.clear();
    EXPECT_EQ(run(Archiver("a \"%s.7z\" \"%s\" \"%s\"", program, hidden), page), 0);
    ASSERT_EQ(launcher.starts.size(), 1u);
    const auto& start = launcher.starts[0];
    EXPECT_EQ(start.program, program);
    EXPECT_EQ(start.format, "a \"%s.7z\" \"%s\" \"%s\"");
    EXPECT_EQ(start.values, (Strings{page.substr(0, page.size() - 4), page,
                                     page.substr(0, page.size() - 4) + "_files"}));
    EXPECT_EQ(start.options.hidden, hidden != 0) << hidden;
  }
  // Its ending: an exit code as it is, a start that failed as -1, and the ends the batch
  // command line gives it; its output comes back with it.
  using Ending = platform::ProcessResult::Ending;
  const std::pair<platform::ProcessResult, int32_t> endings[] = {
      {{Ending::Exited, 3, "bad"}, 3},
      {{Ending::Exited, 0, ""}, job::STATUS_OK},
      {{Ending::NotStarted, -1, ""}, job::STATUS_ARCHIVER_NOT_STARTED},
      {{Ending::TimedOut, 1, ""}, job::STATUS_ARCHIVER_TIMED_OUT},
      {{Ending::Stopped, 1, ""}, job::STATUS_ARCHIVER_INTERRUPTED},
  };
  for (const auto& [answer, status] : endings) {
    launcher.answer = answer;
    EXPECT_EQ(run(Archiver("a %s", program), page), status) << answer.exitCode;
    EXPECT_EQ(output, answer.output);
  }
}

// A copy of one sample page in a folder of its own.
struct OnePage : testsupport::TempFolder {
  explicit OnePage(const std::string& as, const std::string& sample = "Frost Wind.htm") {
    Write(as, testsupport::Sample(sample));
  }
  job::JobRequest Request(const std::string& name, bool fix, bool archive) const {
    job::JobRequest request;
    platform::CopyText(request.path, sizeof request.path, Path(name).c_str());
    request.fix = fix ? 1 : 0;
    request.archive = archive ? 1 : 0;
    return request;
  }
};

TEST(ProcessJob, RenamesToHtmOnlyWhereNothingIsInTheWay) {
  const std::tuple<std::vector<std::string>, std::string, std::string> cases[] = {
      {{"a.HTM"}, "a.HTM", "a.HTM"},    // any letter case of .htm stays
      {{"b.shtml"}, "b.shtml", "b.htm"},
      {{"c.html", "c.htm"}, "c.html", "c.html"},  // never over another page
      // A journal under the old name is settled under that name first.
      {{"d.html", "d.html" + std::string(page::kJournalSuffix)}, "d.html", "d.html"},
  };
  for (const auto& [files, given, kept] : cases) {
    const OnePage page(files[0]);
    for (size_t i = 1; i < files.size(); ++i) page.Write(files[i], "in the way");
    JobSteps steps;
    job::JobRequest request = page.Request(given, false, false);
    const auto result = job::ProcessJob(request, steps, job::JobSettings{});
    EXPECT_STREQ(result->name, kept.c_str()) << given;
    EXPECT_TRUE(fs::exists(page.Path(kept))) << given;
  }
  // A web archive keeps its name whatever its extension: a browser shows a ".htm" one as text.
  for (const std::string name : {"e.html", "f.mhtml"}) {
    const OnePage page(name, "Amber Orchard.mhtml");
    JobSteps steps;
    job::JobRequest request = page.Request(name, false, false);
    EXPECT_STREQ(job::ProcessJob(request, steps, job::JobSettings{})->name, name.c_str());
    EXPECT_EQ(testsupport::ReadFile(page.Path(name)), testsupport::Expected("Amber Orchard.mhtml"));
  }
}

TEST(RunArchiver, LeavesTheFolderArgumentOutForAWebArchiveWhereItStandsAlone) {
  const std::pair<std::string, std::string> formats[] = {
      {"a \"%s.7z\" \"%s\" \"%s\"", "a \"%s.7z\" \"%s\""},
      {"a -r %s.zip %s\t\"%s\\*\" -x!*.tmp", "a -r %s.zip %s -x!*.tmp"},
      {"a %%s%s %s \"C:\\a b\\%s", "a %%s%s %s"},  // a quote that is never closed
      {"a \"%s.7z\" \"%s;%s\"", "a \"%s.7z\" \"%s;%s\""},  // the page is in its argument
      {"a %s.7z %s", "a %s.7z %s"},
  };
  for (const auto& [format, alone] : formats) EXPECT_EQ(job::FormatWithoutFolder(format), alone);
}

// The status: the page's own when it could not be done, else the archiver's when archiving was
// asked for, else Ok when the links were to be repaired, else "no actions".
TEST(ProcessJob, NamesCleansAndArchivesThePageAndGivesItsStatusThenTheArchiversThenTheBoxes) {
  using Ending = platform::ProcessResult::Ending;
  const struct {
    bool pageThere, fix, archive;
    platform::ProcessResult answer;
    int32_t status;
  } cases[] = {
      {true, false, false, {}, job::STATUS_NO_ACTIONS},
      {true, true, false, {}, job::STATUS_OK},
      {true, false, true, {Ending::Exited, 3, ""}, 3},
      {true, true, true, {Ending::Exited, 0, ""}, job::STATUS_OK},
      {true, true, true, {Ending::NotStarted, -1, ""}, job::STATUS_ARCHIVER_NOT_STARTED},
      {false, false, false, {}, job::STATUS_PAGE_MISSING},
      {false, true, true, {Ending::Exited, 0, ""}, job::STATUS_PAGE_MISSING},
  };
  for (const auto& c : cases) {
    const OnePage page("page.html");
    if (!c.pageThere) fs::remove(page.Path("page.html"));
    JobSteps steps;
    steps.answer = c.answer;
    const platform::ScopedProcessLauncher scoped(steps);
    job::JobRequest request = page.Request("page.html", c.fix, c.archive);
    job::JobSettings settings;
    settings.archiver = Archiver("a %s", "archiver");
    const auto result = job::ProcessJob(request, steps, settings);
    EXPECT_EQ(result->status, c.status)
        << c.pageThere << c.fix << c.archive << " " << c.answer.exitCode;
    EXPECT_EQ(steps.events.size(), c.archive ? 2u : 1u) << "the archiver runs whatever the page";
    if (!c.pageThere) continue;
    // The page is named as renamed, in the result and in the request, then cleaned whole, then
    // archived.
    EXPECT_STREQ(result->name, "page.htm");
    EXPECT_EQ(request.path, page.Path("page.htm"));
    if (!c.fix || !c.archive) continue;
    EXPECT_EQ(steps.events, (Strings{"started page.htm", "archiver for page.htm"}));
    EXPECT_EQ(steps.pageAtArchiving, testsupport::Expected("Frost Wind"))
        << "the archiver got the page before it was cleaned";
  }
}

}  // namespace
