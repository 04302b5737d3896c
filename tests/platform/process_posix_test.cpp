// The archiver's start where arguments go to a program one by one and
// processes end by signals.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/process.h"
#include "platform/system.h"
#include "tests/platform/process_test.h"
#include "tests/support/temp_folder.h"

namespace platform {

TEST(RunProcessOnPosix, GivesEightBitExitCodesAndAProgramKilledBySignalAs128PlusIt) {
  EXPECT_EQ(RunText(testsupport::ArchiverStandinPath(), "-1").exitCode, 255);
  // A program killed by a signal is no program that could not be started: the user is not to
  // be sent to the settings.
  EXPECT_EQ(RunText("/bin/sh", "-c \"kill -9 $$\"").exitCode, 128 + 9);
  EXPECT_EQ(RunText("/bin/sh", "-c \"kill -15 $$\"").exitCode, 128 + 15);
}

// A POSIX name may hold quotes, blanks and backslashes; none of them may reach the archiver as
// an argument of its own (as "-sdel", which has 7-Zip delete what it packed).
TEST(RunProcessOnPosix, EachValueLandsWholeInTheArgumentItsPlaceholderStandsIn) {
  testsupport::TempFolder folder;
  const std::string report = folder.Path("r");
  const std::string values[] = {"k\" -sdel \"x", "q\\\" -sdel \\\"r.htm", "t\\"};
  const std::string format = "0 \"" + report + "\" \"%s.7z\" \"%s\" \"%s\"";
  const ProcessResult result = Processes().Run(testsupport::ArchiverStandinPath().c_str(),
                                               {format, values}, ProcessOptions{});
  ASSERT_EQ(result.exitCode, 0);
  EXPECT_EQ(Reported(report, "arg"),
            (std::vector<std::string>{"0", report, values[0] + ".7z", values[1], values[2]}));
}

// The settings' "Arc" is checked before the user is told what is wrong with it.
TEST(RunProcessOnPosix, OnlyARegularFileThisProcessMayExecuteIsAProgramFile) {
  testsupport::TempFolder folder;
  const std::string file = folder.Write("tool", "#!/bin/sh\n");
  EXPECT_FALSE(ThisProcess().IsProgramFile(file.c_str()));
  std::filesystem::permissions(file, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  EXPECT_TRUE(ThisProcess().IsProgramFile(file.c_str()));
  EXPECT_FALSE(ThisProcess().IsProgramFile(folder.path().c_str()));
  EXPECT_FALSE(ThisProcess().IsProgramFile(folder.Path("none").c_str()));
}

// A child holds a copy of every descriptor until it runs its program, and the locks with them:
// a page another worker has just let go of must not be called busy for that instant, while a
// page that stays held still is. The child here holds the page until its pipe is closed.
TEST(OpenExclusiveOnPosix, WaitsOutALockAChildHoldsForAnInstantButNotOneThatStays) {
  testsupport::TempFolder folder;
  const std::string page = folder.Write("page.htm", "x");
  const auto openWhileAChildHolds = [&](bool letGoFirst) {
    FileError error;
    std::unique_ptr<ExclusiveFile> file = Files().OpenExclusive(page.c_str(), error);
    EXPECT_NE(file, nullptr);
    int hold[2];
    EXPECT_EQ(pipe(hold), 0);
    const pid_t child = fork();
    if (child == 0) {
      char byte;
      close(hold[1]);
      _exit(static_cast<int>(read(hold[0], &byte, 1)));  // returns at the pipe's end
    }
    close(hold[0]);
    file.reset();
    if (letGoFirst) close(hold[1]);
    file = Files().OpenExclusive(page.c_str(), error);
    if (!letGoFirst) close(hold[1]);
    int status = 0;
    waitpid(child, &status, 0);
    return file ? FileError::None : error;
  };
  EXPECT_EQ(openWhileAChildHolds(true), FileError::None);
  EXPECT_EQ(openWhileAChildHolds(false), FileError::Busy);
}

}  // namespace platform
