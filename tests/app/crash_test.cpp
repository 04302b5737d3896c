// velkor-cli killed right after each change it makes to the disk in turn (by
// the crash hook of the tests' copy), then run again: every page must end in
// its final form with no journal left. The shipped velkor-cli has no hook.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "page/journal.h"
#include "platform/process.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

// What a kill gives, from a signal (128 + SIGKILL) or from TerminateProcess.
constexpr int kKilled = 137;

// Arms the hook of the next velkor-cli started (0: none). The environment
// keeps a pointer to the setting itself, so it lives in one fixed place.
void SetCrashPoint(long changes) {
  static char setting[64];
  std::snprintf(setting, sizeof setting, "VELKOR_CRASH_AFTER_WRITES=%ld", changes);
  putenv(setting);
}

// A page saved by Firefox that is renamed, one in KOI8-R and one in Windows-1251.
const char* const kPages[] = {"Lantern Road.html", "Frost Wind.htm", "Quiet Valley.htm"};
class Pages : public testsupport::TempFolder {
 public:
  Pages() {
    for (const char* page : kPages) testsupport::CopySample(*this, page, "pages");
    Write("velkor.ini", "[Options]\n");
  }

  int RunCli(const char* sync, const char* program = VELKOR_CRASH_CLI) const {
    // One worker, so that the Nth change is the same change in every run.
    const std::string format =
        std::string(" --ini \"%s\" --fix --no-archive --jobs 1 ") + sync + " \"%s\"";
    const std::string values[] = {Path("velkor.ini"), Path("pages")};
    const platform::ProcessResult result = platform::Processes().Run(
        testsupport::HostPath(program).c_str(), {format, values}, platform::ProcessOptions{});
    return result.ending == platform::ProcessResult::Ending::Exited ? result.exitCode : -1;
  }

  void ExpectFinished(const std::string& what) const {
    for (const char* page : kPages) {
      const std::string stem = fs::path(page).stem().string();
      EXPECT_EQ(ReadFile(Path("pages/" + stem + ".htm")), testsupport::Expected(stem))
          << stem << " after " << what;
      EXPECT_FALSE(fs::exists(Path("pages/" + stem + "_files/jquery.js"))) << what;
    }
    for (const auto& entry : fs::directory_iterator(path() / "pages"))
      EXPECT_EQ(entry.path().string().find(page::kJournalSuffix), std::string::npos)
          << entry.path() << " after " << what;
  }
};

TEST(Crash, AKilledRunNeverTearsAPageAndTheNextRunFinishesItAndTheShippedProgramHasNoHook) {
  {
    const Pages pages;
    SetCrashPoint(1);
    EXPECT_EQ(pages.RunCli("--sync", VELKOR_CLI), 0) << "the shipped program was killed";
    pages.ExpectFinished("a run of the shipped program");
  }
  long points = 0;
  for (const char* sync : {"--sync", "--no-sync"}) {
    for (long changes = 1;; ++changes) {
      const Pages pages;
      SetCrashPoint(changes);
      const int first = pages.RunCli(sync);
      SetCrashPoint(0);
      if (first != kKilled) {
        // It got through: every change of a whole run but its last has had its kill, and
        // after the last the disk is as this run left it.
        EXPECT_EQ(first, 0) << sync << ", change " << changes;
        EXPECT_GT(changes, 10);
        pages.ExpectFinished(std::string(sync) + ", a run not killed");
        break;
      }
      ++points;
      const std::string what = std::string(sync) + ", killed after change " +
                               std::to_string(changes);
      EXPECT_EQ(pages.RunCli(sync), 0) << what;
      pages.ExpectFinished(what);
    }
  }
  std::printf("runs killed: %ld\n", points);
}

}  // namespace
