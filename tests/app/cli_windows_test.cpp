// velkor-cli.exe as a user starts it: its command line in UTF-16.
#include "platform/process.h"
#include "tests/app/cli_run.h"
#include "tests/support/host_path.h"

namespace {

using namespace clitest;

TEST_F(CliRun, APageWhoseNameTheCodePageLacksIsDoneUnderItsOwnNameNeverAnothers) {
  // Read in the ANSI code page, "Kaze\u0101.htm" would be "Kazea.htm", the page beside it.
  const std::string sample = ReadFile((kSamples / "Frost Wind.htm").string());
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

}  // namespace
