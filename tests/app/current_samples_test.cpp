// velkor-cli over the pages of samples/current, saved the way today's browsers save them: in
// their expected forms every link into the page's folder leads to a file there (the scripts
// aside, which the cleaner deletes), named in the page's charset or, where that lacks a letter,
// left escaped.
#include <algorithm>
#include <cstring>

#include "tests/app/cli_run.h"
#include "tests/support/current_samples.h"

namespace {

using namespace clitest;

TEST_F(CliRun, PagesSavedTheCurrentWayComeOutAsExpectedAndAreArchivedUnderTheirTitles) {
  const std::string pages = folder_.Path("current");
  fs::copy(kSamples / "current", testsupport::PathOf(pages), fs::copy_options::recursive);
  ASSERT_EQ(Run({"--ini", Ini("0"), pages}), 0) << out_ << err_;
  EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), std::ssize(testsupport::kCurrentSamples))
      << out_;
  for (const auto& [name, archive] : testsupport::kCurrentSamples) {
    const std::string stem = std::string(name).substr(0, std::strrchr(name, '.') - name);
    const std::string page = folder_.Path("current/" + stem + ".htm");
    EXPECT_EQ(ReadFile(page), ReadFile(kSamples.string() + "/current/expected/" + stem + ".htm"))
        << name;
    const std::string report = folder_.Path("current/" + std::string(archive) + ".report");
    EXPECT_EQ(testsupport::ReportValues(ReadFile(report), "arg"),
              (Strings{"0", report, page, folder_.Path("current/" + stem + "_files")}))
        << archive;
  }
}

}  // namespace
