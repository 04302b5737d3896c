#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/run_cli.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using testsupport::ReadFile;

const fs::path kSamples = VELKOR_SAMPLES_DIR;

std::string Sample(const std::string& name) { return ReadFile((kSamples / name).string()); }

// velkor-cli run in-process on sample pages copied to the folder "pages".
class CliRun : public ::testing::Test {
 protected:
  CliRun() {
    folder_.Write("pages/Frost Wind.html", "saved again");  // a rename must never replace it
    for (const std::string stem : {"Frost Wind", "Lantern Road"})
      fs::copy(kSamples / (stem + "_files"), Page(stem + "_files"), fs::copy_options::recursive);
    fs::copy_file(kSamples / "Frost Wind.htm", Page("Frost Wind.htm"));
    fs::copy_file(kSamples / "Lantern Road.html", Page("Lantern Road.html"));
    fs::copy_file(kSamples / "Paper Cranes.htm", Page("Paper Cranes.HTM"));
  }

  // Settings that run the stand-in: it ends with `code`, reporting to "<archive>.report".
  std::string Ini(const std::string& code) const {
    return folder_.Write("velkor.ini", "[Options]\nArc=" + testsupport::ArchiverStandinPath() +
                                           "\nCom=" + code + " \"%s.report\" \"%s\" \"%s\"\n");
  }
  int Run(const Lines& arguments) {
    std::FILE* out = std::fopen(folder_.Path("out").c_str(), "wb");
    std::FILE* err = std::fopen(folder_.Path("err").c_str(), "wb");
    const int status = app::cli::RunCli(arguments, {out, err, false});
    std::fclose(out);
    std::fclose(err);
    out_ = ReadFile(folder_.Path("out"));
    err_ = ReadFile(folder_.Path("err"));
    return status;
  }
  std::string Page(const std::string& name) const { return folder_.Path("pages/" + name); }

  testsupport::TempFolder folder_;
  std::string out_, err_;
};

TEST_F(CliRun, CleansRenamesAndArchivesEveryPageOfAFolder) {
  EXPECT_EQ(Run({"--ini", Ini("0"), folder_.Path("pages")}), 0) << err_;
  std::istringstream printed(out_);
  Lines lines;
  for (std::string line; std::getline(printed, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());  // the folder's listing order is the system's
  EXPECT_EQ(lines, (Lines{"Frost Wind.htm [Ok]", "Frost Wind.html [Ok]", "Lantern Road.htm [Ok]",
                          "Paper Cranes.HTM [Ok]"}));
  EXPECT_EQ(err_, "");
  EXPECT_EQ(ReadFile(Page("Frost Wind.htm")), Sample("expected/Frost Wind.htm"));
  EXPECT_EQ(ReadFile(Page("Lantern Road.htm")), Sample("expected/Lantern Road.htm"));
  EXPECT_FALSE(fs::exists(Page("Lantern Road.html")));
  EXPECT_EQ(ReadFile(Page("Frost Wind.html")), "saved again");
  EXPECT_FALSE(fs::exists(Page("Frost Wind_files/jquery.js")));

  // The archiver was called with the archive's name, the page and its folder.
  const std::string calls[][3] = {
      {"Itetsuku Kaze [Frost Wind][OVA]", "Frost Wind.htm", "Frost Wind_files"},
      {"Frost Wind", "Frost Wind.html", "Frost Wind_files"},
      {"Paper Cranes", "Paper Cranes.HTM", "Paper Cranes_files"},
  };
  for (const auto& [archive, page, files] : calls) {
    const std::string report = Page(archive + ".report");
    EXPECT_EQ(testsupport::ReportValues(ReadFile(report), "arg"),
              (Lines{"0", report, Page(page), Page(files)}));
  }
}

TEST_F(CliRun, PrintsEachResultInOrderAndAnyFailureMakesTheStatusOne) {
  const std::string lantern = Page("Lantern Road.html"), frost = Page("Frost Wind.htm");
  EXPECT_EQ(Run({"--ini", Ini("3"), "--no-fix", lantern, frost}), 1);
  EXPECT_EQ(out_, "Lantern Road.htm [Ошибка: 3]\nFrost Wind.htm [Ошибка: 3]\n");
  // No settings file: both boxes checked, no archiver. The file's boxes count unless a flag
  // (the later of two) overrides them; it is never written. Nothing to process fails too.
  EXPECT_EQ(Run({frost}), 1);
  EXPECT_EQ(out_, "Настройте параметры архиватора в ini файле\n");
  const std::string settings = "[Options]\nbArc=0\nbMSIE=0\n", ini = folder_.Write("b", settings);
  EXPECT_EQ(Run({"--ini", ini, frost}), 1);
  EXPECT_EQ(out_, "Отсутствуют заданные действия\n");
  EXPECT_EQ(Run({"--ini", ini, "--no-fix", frost, "--fix"}), 0);
  EXPECT_EQ(out_, "Frost Wind.htm [Ok]\n");
  EXPECT_EQ(Run({"--ini", ini, "--no-archive", frost, "--archive"}), 1);
  EXPECT_EQ(out_, "Настройте параметры архиватора в ini файле\n");
  EXPECT_EQ(ReadFile(ini), settings);
  EXPECT_EQ(Run({"--ini", ini, Page("notes.txt"), Page("missing-folder")}), 1);
  EXPECT_EQ(out_, "");
  EXPECT_NE(err_.find("no page"), std::string::npos) << err_;
}

TEST_F(CliRun, AUsageErrorIsOneLineAndTouchesNothingButHelpWinsOverIt) {
  const std::string page = Page("Frost Wind.htm");
  for (const Lines& mistake : {Lines{}, Lines{"--fix"}, Lines{"-x", page}, Lines{page, "--ini"},
                               Lines{"--ini=", page}, Lines{"--ini", folder_.Path("none"), page}}) {
    EXPECT_EQ(Run(mistake), 2);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
  }
  EXPECT_EQ(Run({"--bogus", page, "--help"}), 0);
  EXPECT_EQ(out_.rfind("Usage: velkor-cli", 0), 0u) << out_;
  EXPECT_EQ(ReadFile(page), Sample("Frost Wind.htm"));
}

}  // namespace
