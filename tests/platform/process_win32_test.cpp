// The archiver's start where a program gets one command line and a window
// of its own.
#include <gtest/gtest.h>

#include <utility>

#include "tests/platform/process_test.h"
#include "tests/support/temp_folder.h"

namespace platform {

TEST(RunProcessOnWindows, GivesTheCommandLineABlankBeforeTheTextAndTheWindowItsShowState) {
  testsupport::TempFolder folder;
  const std::string report = folder.Path("r");
  RunStandin run;
  const std::string standin = testsupport::ArchiverStandinPath();
  EXPECT_EQ(run(standin, "-1", {}), -1);
  const std::string text = "3 \"" + report + "\" plain";
  // "Hidden" sets the show-window state; the program-name part of the command line is empty.
  for (const auto& [hidden, show] : {std::pair{true, "0"}, std::pair{false, "1"}}) {
    ProcessOptions options;
    options.hidden = hidden;
    EXPECT_EQ(run(standin, text, options), 3);
    EXPECT_EQ(Reported(report, "show"), std::vector<std::string>{show}) << hidden;
    EXPECT_EQ(Reported(report, "cmdline"), std::vector<std::string>{" " + text});
  }
}

}  // namespace platform
