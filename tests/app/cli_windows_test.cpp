// velkor-cli.exe as a user starts it: its command line in UTF-16.
#include "app/intake.h"
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

// The room of a folder's search counts characters as Windows does, not their bytes of UTF-8: a
// folder of Cyrillic letters is searched as far as it was when names were in Windows-1251.
TEST_F(CliRun, AFolderOfCyrillicLettersHasTheRoomItsCharactersTake) {
  // Folders of "дд...д" (the host file system takes 255 bytes a name), leaving the room of the
  // search pattern and a short page.
  std::string deep;
  const size_t room = app::kSearchPathCapacity - folder_.path().string().size() - 17;
  for (size_t units = 1; units <= room; ++units)
    deep += units % 61 == 0 && units < room ? "/" : "\xD0\xB4";
  const std::string fits = folder_.Write(deep + "/a.htm", "x");
  const std::string tooLong = folder_.Write(deep + "/a longer page.htm", "x");
  const std::string ini = folder_.Write("velkor.ini", "[Options]\nbArc=0\n");
  EXPECT_EQ(Run({"--ini", ini, folder_.Path(deep)}), 1);
  // The file gets the ANSI code page, in which the folder's letters are Windows-1251.
  EXPECT_EQ(out_, tooLong + " [Пропущено: слишком длинный путь]\na.htm [Ok]\n");
}

}  // namespace
