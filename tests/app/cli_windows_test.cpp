// velkor-cli where the system's names are UTF-16 and the program's text ANSI.
#include <fstream>
#include <iterator>

#include "tests/app/cli_run.h"

namespace {

using namespace clitest;

TEST_F(CliRun, APageWhoseNameTheCodePageLacksIsNamedNeverTakenForAnother) {
  // The ANSI search gives "Kaze\u0101.htm" as "Kazea.htm", the name of the page beside it.
  const std::string sample = Sample("Frost Wind.htm");
  const std::string other = folder_.Write("lacking/Kazea.htm", sample);
  const fs::path lacking = folder_.path() / "lacking" / L"Kaze\u0101.htm";
  std::ofstream(lacking, std::ios::binary) << sample;
  const std::string ini = folder_.Write("velkor.ini", "[Options]\nbArc=0\n");
  EXPECT_EQ(Run({"--ini", ini, folder_.Path("lacking")}), 1);
  EXPECT_EQ(out_, folder_.Path("lacking/Kaze?.htm") +
                      " [Пропущено: в имени есть символы вне кодировки ANSI]\nKazea.htm [Ok]\n");
  std::ifstream in(lacking, std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == sample) << "it was cleaned";
  EXPECT_EQ(ReadFile(other), Expected("Frost Wind"));
}

}  // namespace
