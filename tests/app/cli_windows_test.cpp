// velkor-cli.exe as a user starts it: its command line in UTF-16.
#include "platform/process.h"
#include "tests/app/cli_run.h"

namespace {

using namespace clitest;

TEST_F(CliRun, APageWhoseNameTheCodePageLacksIsDoneUnderItsOwnNameNeverAnothers) {
  // Read in the ANSI code page, "Kaze\u0101.htm" would be "Kazea.htm", the page beside it.
  const std::string sample = Sample("Frost Wind.htm");
  const std::string other = folder_.Write("lacking/Kazea.htm", sample);
  const std::string lacking = folder_.Write("lacking/Kaze\xC4\x81.htm", sample);
  const std::string ini = folder_.Write("velkor.ini", "[Options]\nbArc=0\n");
  const std::string values[] = {ini, lacking};
  platform::ProcessOptions options;
  options.captureOutput = true;
  const platform::ProcessResult run = platform::Processes().Run(
      testsupport::HostPath(VELKOR_CLI).c_str(), {" --ini \"%s\" \"%s\"", values}, options);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  // A pipe gets the ANSI code page, "?" for a letter it lacks.
  EXPECT_EQ(run.output, "Kaze?.htm [Ok]\r\n");
  EXPECT_EQ(ReadFile(lacking), Expected("Frost Wind.htm"));
  EXPECT_TRUE(ReadFile(other) == sample) << "the page beside it was cleaned";
}

// Names typed as they lie in the current folder, and one from the root of its drive with a slash.
TEST_F(CliRun, ANameThatAnArchiverCouldTakeForASwitchReachesItAsAPath) {
  const Strings hostile = {"-i!x", "-sdel", "@list", "-r", "--"};
  const std::string fromRoot = folder_.Path("slash").substr(3);  // after "C:\"
  Strings arguments = {"--ini", Ini("0"), "--no-fix", "--", "/" + fromRoot + ".htm"};
  Strings reached = {"\\" + fromRoot};
  folder_.Write("slash.htm", "<html/>");
  folder_.Write("slash_files/a.gif", "");  // a folder, so that its name goes too
  for (const std::string& stem : hostile) {
    folder_.Write(stem + ".htm", "<html/>");
    folder_.Write(stem + "_files/a.gif", "");
    arguments.push_back(stem + ".htm");
    reached.push_back(".\\" + stem);
  }
  const fs::path previous = fs::current_path();
  fs::current_path(folder_.path());
  const int status = Run(arguments);
  fs::current_path(previous);
  EXPECT_EQ(status, 0) << out_ << err_;
  for (const std::string& given : reached) {
    EXPECT_EQ(testsupport::ReportValues(ReadFile(folder_.Path(given + ".report")), "arg"),
              (Strings{"0", given + ".report", given + ".htm", given + "_files"}));
  }
}

}  // namespace
