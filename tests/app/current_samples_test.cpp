// velkor-cli over the pages of samples/current, saved the way today's browsers save them.
#include <algorithm>
#include <cstring>

#include "page/charset.h"
#include "tests/app/cli_run.h"
#include "tests/support/current_samples.h"

namespace {

using namespace clitest;

// The files that the links of the cleaned page `page` lead to inside its "_files" folder, as
// paths: each link read in the page's charset, and what stayed escaped (a name the charset
// lacks) decoded. Scripts are left out: the cleaner deletes them.
Strings LinkedFiles(const std::string& page) {
  const std::string text = ReadFile(page);
  const page::PageCharset charset = page::SniffCharset(text);
  const std::string folder = page.substr(0, page.find_last_of("\\/") + 1);
  Strings files;
  for (size_t at = text.find("_files/"); at != std::string::npos;
       at = text.find("_files/", at + 1)) {
    const size_t open = text.rfind('"', at) + 1, close = text.find('"', at);
    std::string link(page::TextToUtf8(text.substr(open, close - open).c_str(), charset).View());
    page::PercentDecode(link.data());
    link.resize(std::strlen(link.c_str()));
    if (!link.ends_with(".js")) files.push_back(folder + link);
  }
  return files;
}

TEST_F(CliRun, PagesSavedTheCurrentWayComeOutWithWorkingLinksAndArchivesNamedAsTheirTitles) {
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
    const Strings linked = LinkedFiles(page);
    EXPECT_EQ(linked.size(), 5u) << name;
    for (const std::string& file : linked)
      EXPECT_TRUE(fs::exists(testsupport::PathOf(file))) << name << " links to " << file;
    const std::string report = folder_.Path("current/" + std::string(archive) + ".report");
    EXPECT_EQ(testsupport::ReportValues(ReadFile(report), "arg"),
              (Strings{"0", report, page, folder_.Path("current/" + stem + "_files")}))
        << archive;
  }
}

}  // namespace
