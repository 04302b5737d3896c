// velkor-cli run in-process on a copy of the sample pages, for the tests of
// its promises.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/cli/run_cli.h"
#include "tests/support/fixtures.h"
#include "tests/support/process_check.h"
#include "tests/support/written_text.h"

namespace clitest {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using testsupport::Expected;
using testsupport::kSamples;
using testsupport::ReadFile;
using testsupport::Sample;

// The report of the stand-in archiving Frost Wind.htm.
inline const std::string kFrostReport = "Itetsuku Kaze [Frost Wind][OVA].report";

// The stand-in's processes, named in its report, have all ended.
inline void ExpectStandinEnded(const std::string& report) {
  Strings pids = testsupport::ReportValues(ReadFile(report), "pid");
  for (const std::string& child : testsupport::ReportValues(ReadFile(report), "child"))
    pids.push_back(child);
  ASSERT_FALSE(pids.empty()) << "the stand-in never ran";
  for (const std::string& pid : pids)
    EXPECT_TRUE(testsupport::HasEnded(std::stol(pid))) << "process " << pid << " left running";
}

// The sample pages are copied to the folder "pages".
class CliRun : public ::testing::Test {
 protected:
  CliRun() {
    fs::copy(testsupport::kSamples, folder_.Path("pages"), fs::copy_options::recursive);
    folder_.Write("pages/Frost Wind.html", "saved again");  // a rename must never replace it
  }

  // Settings that run the stand-in as `code`.
  std::string Ini(const std::string& code) const {
    return folder_.Write("velkor.ini", testsupport::StandinSettings(code));
  }
  int Run(const Strings& arguments) {
    std::FILE* out = std::fopen(folder_.Path("out").c_str(), "wb");
    std::FILE* err = std::fopen(folder_.Path("err").c_str(), "wb");
    const int status = app::cli::RunCli(arguments, {out, err, false});
    std::fclose(out);
    std::fclose(err);
    out_ = testsupport::WrittenText(ReadFile(folder_.Path("out")));
    err_ = testsupport::WrittenText(ReadFile(folder_.Path("err")));
    return status;
  }
  std::string Page(const std::string& name) const { return folder_.Path("pages/" + name); }

  testsupport::TempFolder folder_;
  std::string out_, err_;
};

}  // namespace clitest
