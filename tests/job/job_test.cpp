#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "job/archiver.h"
#include "job/job_records.h"
#include "job/worker.h"
#include "platform/text.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
const std::string kSep(1, platform::kPathSeparator);

// Names on disk: ANSI on Windows, where values go in as they are; UTF-8 on POSIX, where an
// ANSI value ("Фильм" in Windows-1251) is converted and a cut never splits a character.
#ifdef _WIN32
const std::string kFilm = "\xD4\xE8\xEB\xFC\xEC", kHalfChar = "\xD0";
#else
const std::string kFilm = "\xD0\xA4\xD0\xB8\xD0\xBB\xD1\x8C\xD0\xBC", kHalfChar;
#endif

job::ArchiverSettings Archiver(std::string format, std::string program, int hidden = 1) {
  job::ArchiverSettings settings;
  settings.format = std::move(format);
  settings.program = std::move(program);
  settings.hidden = hidden;
  return settings;
}

TEST(ArchiveBaseName, NamesTheArchiveAfterTheWorkInThePagesFolder) {
  const std::string dir = "D:" + kSep + "Saved" + kSep, page = dir + "page.htm";
  const std::string dotted = dir + "my.pages" + kSep + "page", full(1021, 'd');
  const std::tuple<std::string, page::TitleInfo, std::string> cases[] = {
      {page, {"Part 1: Start?", "", "TV"}, dir + "Part 1 - Start. [TV]"},
      {page, {"\xD4\xE8\xEB\xFC\xEC", "", "\xD0\xA2\xD0\x92"}, dir + kFilm + " [\xD0\xA2\xD0\x92]"},
      {"page.htm", {"Name", "", "TV"}, "Name [TV]"},  // a bare name has no folder part
      {dotted, {}, dotted},                           // a folder's dot is no extension
      {full + kSep + "p.htm", {"\xD0\x96"}, full + kSep + kHalfChar},  // cut at 1023 bytes
  };
  for (const auto& [path, given, expected] : cases) {
    page::TitleInfo info = given;
    EXPECT_EQ(job::ArchiveBaseName(path.c_str(), info), expected) << path;
  }
}

TEST(RunArchiver, FillsTheFormatStartsThePathAsGivenAndReturnsItsExitCodeOrMinusOne) {
  testsupport::TempFolder folder;
  // The stand-in, copied to a folder with a blank, exits with its first value, reports to the next.
  const std::string standin = folder.Path("my archiver/standin.exe"), report = folder.Path("r");
  fs::create_directory(folder.Path("my archiver"));
  fs::copy_file(testsupport::ArchiverStandinPath(), standin);
  std::string output;
  const auto run = [&output](const std::string& program, const std::string& text, int hidden = 1,
                             const char* page = "p.htm") {
    page::TitleInfo info;
    return job::RunArchiver(page, info, Archiver(text, program, hidden), output);
  };
  const auto reported = [&](const char* key) {
    return testsupport::ReportValues(testsupport::ReadFile(report), key);
  };
  for (const char* refused : {"%d", "%s %s %s %s", "%5s", "%ls", "%n", "0 trailing %"})
    EXPECT_EQ(run(standin, refused), job::STATUS_ARCHIVER_NOT_STARTED) << refused;
  // No program, a missing one, a file marked executable that is no program, and a name that
  // only a search along PATH would find.
  const std::string notes = folder.Write("notes", "not a program\n");
  fs::permissions(notes, fs::perms::owner_exec, fs::perm_options::add);
  const std::string onPath = platform::kPathSeparator == '\\' ? "cmd.exe" : "sh";
  for (const std::string& program : {std::string(), folder.Path("none"), notes, onPath})
    EXPECT_EQ(run(program, "/c exit 0"), job::STATUS_ARCHIVER_NOT_STARTED) << program;
  // A text that would not fit its 4095 bytes is refused, never cut.
  const std::string longPage = std::string(3000, 'p') + ".htm";
  EXPECT_EQ(run(standin, "0 %s %s", 1, longPage.c_str()), 0);
  EXPECT_EQ(run(standin, "0 %s %s %s", 1, longPage.c_str()), job::STATUS_ARCHIVER_NOT_STARTED);
  const std::string text = "3 \"" + report + "\" plain \"with space\"  a\\\"b \"C:\\dir\\\\\"";
  EXPECT_EQ(run(standin, text), 3);
  EXPECT_EQ(reported("arg"), (Strings{"3", report, "plain", "with space", "a\"b", "C:\\dir\\"}));
  EXPECT_EQ(output, "") << "output is captured only when asked for";
#ifdef _WIN32
  EXPECT_EQ(run(standin, "-1"), -1);
  // The command line is the text itself; "Hidden" sets the show-window state.
  for (const auto& [hidden, show] : {std::pair{1, "0"}, std::pair{7, "0"}, std::pair{0, "1"}}) {
    EXPECT_EQ(run(standin, text, hidden), 3);
    EXPECT_EQ(reported("show"), Strings{show}) << hidden;
    EXPECT_EQ(reported("cmdline"), Strings{" " + text});
  }
#else
  EXPECT_EQ(run(standin, "-1"), 255);  // a POSIX exit status has eight bits
#endif
}

#ifndef _WIN32
// A POSIX name may hold quotes, blanks and backslashes; none of them may reach the archiver as
// an argument of its own (as "-sdel", which has 7-Zip delete what it packed).
TEST(RunArchiver, EachValueLandsWholeInTheArgumentItsPlaceholderStandsIn) {
  testsupport::TempFolder folder;
  const std::string report = folder.Path("r");
  for (const char* name : {"k.htm\" -sdel \"x.htm", "q\\\" -sdel \\\"r.htm", "t\\.htm"}) {
    const std::string page = folder.Write(name, "not a catalogue page");
    const std::string stem = page.substr(0, page.rfind('.'));
    page::TitleInfo info;
    std::string output;
    const std::string format = "0 \"" + report + "\" \"%s.7z\" \"%s\" \"%s\"";
    ASSERT_EQ(job::RunArchiver(page.c_str(), info,
                               Archiver(format, testsupport::ArchiverStandinPath()), output),
              0);
    EXPECT_EQ(testsupport::ReportValues(testsupport::ReadFile(report), "arg"),
              (Strings{"0", report, stem + ".7z", page, stem + "_files"}))
        << name;
  }
}
#endif

// Jobs log what happens; a "slow" one waits until the test logs "open" and its name. Once
// shut-down has begun the sink, like a destroyed window, refuses results.
class WorkerTest : public ::testing::Test, public job::ResultSink {
 protected:
  void Log(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    logged_.notify_all();
  }
  void WaitFor(const std::string& event) {
    std::unique_lock lock(mutex_);
    logged_.wait(lock, [&] { return std::ranges::find(events_, event) != events_.end(); });
  }
  void Post(const char* name) {
    auto request = std::make_unique<job::JobRequest>();
    platform::CopyText(request->path, sizeof request->path, name);
    ASSERT_TRUE(worker_.Post(std::move(request)));
  }
  void SetCaption(const char*) override {}
  bool Deliver(std::unique_ptr<job::JobResult> result) override {
    Log((running_.IsRunning() ? "result " : "refused ") + std::string(result->name));
    return running_.IsRunning();
  }

  std::mutex mutex_;
  std::condition_variable logged_;
  Strings events_;  // read unlocked only once the worker has ended
  job::RunningFlag running_;
  job::CWrkThread worker_{running_, *this, [this](job::JobRequest& request, job::ResultSink&) {
    const std::string name = request.path;
    Log("run " + name);
    if (name.starts_with("slow")) WaitFor("open " + name);
    auto result = std::make_unique<job::JobResult>();
    platform::CopyText(result->name, sizeof result->name, request.path);
    return result;
  }};
};

TEST_F(WorkerTest, RunsJobsInOrderHeldByCountedHoldsAndFinishesOnlyTheRunningOneOnShutDown) {
  ASSERT_TRUE(worker_.Start());
  Post("slow 1");
  WaitFor("run slow 1");
  // Two holds while "slow 1" runs: it finishes; nothing posted since starts before both releases.
  worker_.Hold();
  worker_.Hold();
  for (const char* name : {"a", "b", "slow 2", "c"}) Post(name);
  Log("open slow 1");
  WaitFor("result slow 1");
  for (const char* release : {"first release", "second release"}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Log(release);
    worker_.Release();
  }
  // Shut-down begins while "slow 2" runs; a hold left over does not keep the worker running.
  WaitFor("run slow 2");
  running_.BeginShutDown();
  worker_.Hold();
  Log("open slow 2");
  worker_.Quit();
  // The refused result was freed (else the leak checker tells); c never ran.
  EXPECT_EQ(events_, (Strings{"run slow 1", "open slow 1", "result slow 1", "first release",
                              "second release", "run a", "result a", "run b", "result b",
                              "run slow 2", "open slow 2", "refused slow 2"}));
  EXPECT_FALSE(worker_.Post(std::make_unique<job::JobRequest>()));
}

}  // namespace
