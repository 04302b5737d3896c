// velkor-cli where the system's names are UTF-16 and the program's text ANSI.
#include <fstream>
#include <iterator>

#include "tests/app/cli_run.h"

namespace {

using namespace clitest;

TEST_F(CliRun, APageWhoseNameTheCodePageLacksIsNamedNeverTakenForAnother) {
  // The ANSI search gives "Kaze\u0101.htm" as "Kazea.htm", the name of the page beside it.
  const std::string sample = ReadFile((kSamples / "Frost Wind.htm").string());
  const std::string other = folder_.Write("lacking/Kazea.htm", sample);
  const fs::path lacking = folder_.path() / "lacking" / L"Kaze\u0101.htm";
  std::ofstream(lacking, std::ios::binary) << sample;
  const std::string ini = folder_.Write("velkor.ini", "[Options]\nbArc=0\n");
  EXPECT_EQ(Run({"--ini", ini, folder_.Path("lacking")}), 1);
  EXPECT_EQ(out_, folder_.Path("lacking/Kaze?.htm") +
                      " [Пропущено: в имени есть символы вне кодировки ANSI]\nKazea.htm [Ok]\n");
  std::ifstream in(lacking, std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == sample) << "it was cleaned";
  EXPECT_EQ(ReadFile(other), ReadFile((kSamples / "expected" / "Frost Wind.htm").string()));
}

// Names typed as they lie in the current folder, and one from the root of its drive with a slash.
TEST_F(CliRun, ANameThatAnArchiverCouldTakeForASwitchReachesItAsAPath) {
  for (const char* page : {"-r.htm", "@list.htm", "slash.htm"}) folder_.Write(page, "<html/>");
  const std::string fromRoot = folder_.Path("slash").substr(3);  // after "C:\"
  const fs::path previous = fs::current_path();
  fs::current_path(folder_.path());
  const int status =
      Run({"--ini", Ini("0"), "--no-fix", "--", "-r.htm", "@list.htm", "/" + fromRoot + ".htm"});
  fs::current_path(previous);
  EXPECT_EQ(status, 0) << out_ << err_;
  for (const std::string& given : Strings{".\\-r", ".\\@list", "\\" + fromRoot}) {
    EXPECT_EQ(testsupport::ReportValues(ReadFile(folder_.Path(given + ".report")), "arg"),
              (Strings{"0", given + ".report", given + ".htm", given + "_files"}));
  }
}

}  // namespace
