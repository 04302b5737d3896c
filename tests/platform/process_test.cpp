// The archiver's start with real programs: the project's stand-in, which
// reports its arguments, and programs that cannot be started. The parts
// that differ between the systems are in the process_*_test.cpp files.
#include "tests/platform/process_test.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace platform {

namespace fs = std::filesystem;

int RunStandin::operator()(const std::string& program, const std::string& format,
                           const ProcessOptions& options) {
  const ProcessResult result = Processes().Run(program.c_str(), {format, {}}, options);
  output = result.output;
  if (result.ending == ProcessResult::Ending::NotStarted) return kNotStarted;
  return result.exitCode;
}

std::vector<std::string> Reported(const std::string& report, const char* key) {
  return testsupport::ReportValues(testsupport::ReadFile(report), key);
}

TEST(RunProcess, StartsThePathAsGivenSplitsItsArgumentsAndGivesItsExitCode) {
  testsupport::TempFolder folder;
  // The stand-in, copied to a folder with a blank, exits with its first value, reports to the
  // next.
  const std::string standin = folder.Path("my archiver/standin.exe");
  const std::string report = folder.Path("r");
  fs::create_directory(folder.Path("my archiver"));
  fs::copy_file(testsupport::ArchiverStandinPath(), standin);
  RunStandin run;
  // A missing program, a file marked executable that is no program, and a name that only a
  // search along PATH would find.
  const std::string notes = folder.Write("notes", "not a program\n");
  fs::permissions(notes, fs::perms::owner_exec, fs::perm_options::add);
  const std::string onPath = kPathSeparator == '\\' ? "cmd.exe" : "sh";
  for (const std::string& program : {folder.Path("none"), notes, onPath})
    EXPECT_EQ(run(program, "/c exit 0", {}), RunStandin::kNotStarted) << program;
  const std::string text = "3 \"" + report + "\" plain \"with space\"  a\\\"b \"C:\\dir\\\\\"";
  EXPECT_EQ(run(standin, text, {}), 3);
  EXPECT_EQ(Reported(report, "arg"),
            (std::vector<std::string>{"3", report, "plain", "with space", "a\"b", "C:\\dir\\"}));
  EXPECT_EQ(run.output, "") << "output is captured only when asked for";
  ProcessOptions capture;
  capture.captureOutput = true;
  EXPECT_EQ(run(standin, "3:4", capture), 4);
  EXPECT_NE(run.output.find("line 1"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("line 2"), std::string::npos) << run.output;
}

}  // namespace platform
