// The archiver's start where a program gets one command line and a window
// of its own.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <utility>

#include "tests/platform/process_test.h"
#include "tests/support/process_check.h"
#include "tests/support/temp_folder.h"

namespace platform {

TEST(RunProcessOnWindows, GivesTheCommandLineABlankBeforeTheTextAndTheWindowItsShowState) {
  testsupport::TempFolder folder;
  const std::string report = folder.Path("r");
  const std::string standin = testsupport::ArchiverStandinPath();
  EXPECT_EQ(RunText(standin, "-1").exitCode, -1);
  const std::string text = "3 \"" + report + "\" plain";
  // "Hidden" sets the show-window state; the program-name part of the command line is empty.
  for (const auto& [hidden, show] : {std::pair{true, "0"}, std::pair{false, "1"}}) {
    ProcessOptions options;
    options.hidden = hidden;
    EXPECT_EQ(RunText(standin, text, options).exitCode, 3);
    EXPECT_EQ(Reported(report, "show"), std::vector<std::string>{show}) << hidden;
    EXPECT_EQ(Reported(report, "cmdline"), std::vector<std::string>{" " + text});
  }
}

// Two workers' archivers, a long one and a short one. A pipe of the test's own, inheritable,
// stands for a third worker's capture pipe at the moment its archiver is started: no archiver
// may hold it, or that worker's capture would end only with the archiver holding it.
TEST(RunProcessOnWindows, HandsEachArchiverOnlyItsOwnHandles) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  HANDLE othersRead = nullptr, othersWrite = nullptr;
  ASSERT_TRUE(CreatePipe(&othersRead, &othersWrite, &inheritable, 0));
  testsupport::StandinHanging hanging;
  const std::string standin = testsupport::ArchiverStandinPath();
  StopSignal stop;
  ProcessResult longRun;
  std::thread longWorker([&] {
    longRun = Processes().Run(standin.c_str(), {"hang", {}},
                              {.stop = &stop, .captureOutput = true});
  });
  EXPECT_TRUE(hanging.Wait());  // if not, the stop at the end still ends it

  // The short one's capture ends when it does, with what it wrote, while the long one runs.
  ProcessResult shortRun;
  std::thread shortWorker([&] {
    shortRun = Processes().Run(standin.c_str(), {"2:5", {}}, {.captureOutput = true});
  });
  shortWorker.join();
  EXPECT_EQ(shortRun.exitCode, 5);
  EXPECT_EQ(shortRun.output, "line 1\r\nline 2\r\n");
  CloseHandle(othersWrite);
  DWORD waiting = 0;
  EXPECT_FALSE(PeekNamedPipe(othersRead, nullptr, 0, nullptr, &waiting, nullptr))
      << "an archiver holds another's pipe";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BROKEN_PIPE));

  stop.Set();
  longWorker.join();
  EXPECT_EQ(longRun.ending, ProcessResult::Ending::Stopped);
  EXPECT_EQ(longRun.output, "hanging\r\n");
  CloseHandle(othersRead);
}

}  // namespace platform
