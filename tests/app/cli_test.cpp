#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli/cli_options.h"
#include "app/cli/run_cli.h"
#include "platform/text.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

using app::cli::CliOptions;
using Action = CliOptions::Action;
using Lines = std::vector<std::string>;

const std::string kSep(1, platform::kPathSeparator);

TEST(CliArguments, TheLaterFlagCountsHelpWinsAndMistakesAreUsageErrors) {
  const CliOptions flags = app::cli::ParseCliArguments(
      {"--fix", "--no-archive", "x.htm", "--no-fix", "--ini", "my.ini", "--archive", "--", "-y"});
  EXPECT_EQ(flags.action, Action::Run);
  EXPECT_EQ(flags.fix, false);
  EXPECT_EQ(flags.archive, true);
  EXPECT_EQ(flags.ini, "my.ini");
  EXPECT_EQ(flags.paths, (Lines{"x.htm", "-y"}));
  EXPECT_FALSE(app::cli::ParseCliArguments({"a.htm"}).fix.has_value());

  EXPECT_EQ(app::cli::ParseCliArguments({"--bogus", "--help"}).action, Action::Help);
  EXPECT_EQ(app::cli::ParseCliArguments({"x.htm", "--version"}).action, Action::Version);
  for (const Lines& mistake : {Lines{}, Lines{"--fix"}, Lines{"-x", "a.htm"}, Lines{"a", "--ini"},
                               Lines{"--ini=", "a.htm"}}) {
    const CliOptions options = app::cli::ParseCliArguments(mistake);
    EXPECT_EQ(options.action, Action::UsageError) << mistake.size();
    EXPECT_NE(options.error, "");
  }
}

// A page of the catalogue site as a browser saves it: clutter before the
// information section, the three values in its table, a vote block, an
// image with an alt text.
std::string CataloguePage(const std::string& title, const std::string& english,
                          const std::string& type) {
  std::string page =
      "<html><head><meta charset=\"windows-1251\">\n"
      "<title>" + title + " ::AnimeBase::</title></head>\n"
      "<body class=\"main\"><div class=\"ads\">clutter to cut</div>\n"
      "<div class=\"g_section info\"><h1>" + title + "</h1></div>\n"
      "<table>\n"
      "<tr><td class=\"label\">Title</td><td class=\"value\">" + title + " (2001)</td></tr>\n";
  if (!english.empty()) {
    page += "<tr><td class=\"label\">english</td><td class=\"value\">" + english + "</td></tr>\n";
  }
  page += "<tr><td class=\"label\">Type</td><td class=\"value\">" + type +
          ", 26 episodes</td></tr>\n"
          "</table></div>\n"
          "<p class=\"g_description\">About the work.</p>\n"
          "<div class=\"g_section vote\">vote here</div>\n"
          "<img src=\"cover.jpg\" alt=\"cover\">\n"
          "</body></html>\n";
  return page;
}

class CliRun : public ::testing::Test {
 protected:
  CliRun() {
    folder_.Write("pages" + kSep + "one.html", CataloguePage("Name", "Other Name", "TV"));
    folder_.Write("pages" + kSep + "one_files" + kSep + "script.js", "js");
    folder_.Write("pages" + kSep + "one_files" + kSep + "LOUD.JS", "js");
    folder_.Write("pages" + kSep + "one_files" + kSep + "cover.jpg", "jpg");
    folder_.Write("pages" + kSep + "one_files" + kSep + "sub" + kSep + "kept.js", "js");
    folder_.Write("pages" + kSep + "two.htm", CataloguePage("Second", "", "OVA"));
    folder_.Write("pages" + kSep + "notes.txt", "not a page");
  }

  // Settings that run the stand-in, which ends with `code` and reports to
  // "<archive name>.report". (A "Com" that begins and ends with a quote
  // would lose both to the profile reader.)
  std::string Ini(const std::string& code, const std::string& more = "") const {
    return folder_.Write("velkor.ini",
                         "[Options]\n"
                         "Arc=" + testsupport::ArchiverStandinPath() + "\n"
                         "Com=" + code + " \"%s.report\" \"%s\" \"%s\"\n"
                         "Hidden=1\n" + more);
  }

  int Run(const std::vector<std::string>& arguments) {
    const std::string outPath = folder_.Path("out.txt");
    const std::string errPath = folder_.Path("err.txt");
    std::FILE* out = std::fopen(outPath.c_str(), "wb");
    std::FILE* err = std::fopen(errPath.c_str(), "wb");
    const int status = app::cli::RunCli(arguments, {out, err, false});
    std::fclose(out);
    std::fclose(err);
    out_ = testsupport::ReadFile(outPath);
    err_ = testsupport::ReadFile(errPath);
    return status;
  }

  Lines OutLines() const {
    Lines lines;
    std::istringstream in(out_);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    std::sort(lines.begin(), lines.end());  // the folder's listing order is the system's
    return lines;
  }

  std::string Pages(const std::string& name) const { return folder_.Path("pages" + kSep + name); }

  testsupport::TempFolder folder_;
  std::string out_;
  std::string err_;
};

TEST_F(CliRun, CleansRenamesAndArchivesEveryPageOfAFolder) {
  EXPECT_EQ(Run({"--ini", Ini("0"), folder_.Path("pages")}), 0) << err_;
  EXPECT_EQ(OutLines(), (Lines{"one.htm [Ok]", "two.htm [Ok]"}));
  EXPECT_EQ(err_, "");

  // Renamed and rewritten in place.
  EXPECT_FALSE(std::filesystem::exists(Pages("one.html")));
  const std::string one = testsupport::ReadFile(Pages("one.htm"));
  EXPECT_EQ(one.find("clutter to cut"), std::string::npos) << one;
  EXPECT_EQ(one.find("vote here"), std::string::npos) << one;
  EXPECT_NE(one.find("<table width=\"100%\"><tr><td valign=\"top\">"), std::string::npos) << one;
  EXPECT_NE(one.find("alt=\"cover\" border=\"0\">"), std::string::npos) << one;
  // The scripts of the "_files" folder are gone, the rest stays.
  EXPECT_FALSE(std::filesystem::exists(Pages("one_files" + kSep + "script.js")));
  EXPECT_FALSE(std::filesystem::exists(Pages("one_files" + kSep + "LOUD.JS")));
  EXPECT_TRUE(std::filesystem::exists(Pages("one_files" + kSep + "cover.jpg")));
  EXPECT_TRUE(std::filesystem::exists(Pages("one_files" + kSep + "sub" + kSep + "kept.js")));
  EXPECT_EQ(testsupport::ReadFile(Pages("notes.txt")), "not a page");

  // The archiver was called with the archive named after each work.
  using testsupport::ReportValues;
  EXPECT_EQ(ReportValues(testsupport::ReadFile(Pages("Name [Other Name][TV].report")), "arg"),
            (Lines{"0", Pages("Name [Other Name][TV].report"), Pages("one.htm"),
                   Pages("one_files")}));
  EXPECT_EQ(ReportValues(testsupport::ReadFile(Pages("Second [OVA].report")), "arg"),
            (Lines{"0", Pages("Second [OVA].report"), Pages("two.htm"), Pages("two_files")}));
}

TEST_F(CliRun, AnyFailedResultMakesTheStatusOne) {
  EXPECT_EQ(Run({"--ini", Ini("3"), Pages("one.html"), Pages("two.htm")}), 1);
  // Results come in command-line order.
  EXPECT_EQ(out_, "one.htm [Ошибка: 3]\ntwo.htm [Ошибка: 3]\n");

  EXPECT_EQ(Run({"--ini", Ini("0"), "--no-fix", "--no-archive", Pages("two.htm")}), 1);
  EXPECT_EQ(out_, "Отсутствуют заданные действия\n");

  // No archiver set up, and the settings' own boxes ("bArc" defaults to 1),
  // which the flags override.
  const std::string bare = folder_.Write("bare.ini", "[Options]\nbMSIE=0\n");
  EXPECT_EQ(Run({"--ini", bare, Pages("two.htm")}), 1);
  EXPECT_EQ(out_, "Настройте параметры архиватора в ini файле\n");
  EXPECT_EQ(Run({"--ini", bare, "--fix", "--no-archive", Pages("two.htm")}), 0);
  EXPECT_EQ(out_, "two.htm [Ok]\n");
}

TEST_F(CliRun, NothingToProcessIsAFailureAndAUsageErrorTouchesNothing) {
  EXPECT_EQ(Run({"--ini", Ini("0"), Pages("notes.txt"), Pages("missing-folder")}), 1);
  EXPECT_EQ(out_, "");
  EXPECT_NE(err_.find("no page"), std::string::npos) << err_;

  for (const Lines& arguments : {Lines{"--bogus", Pages("two.htm")},
                                 Lines{"--ini", folder_.Path("none.ini"), Pages("two.htm")}}) {
    EXPECT_EQ(Run(arguments), 2);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
  }
  EXPECT_NE(testsupport::ReadFile(Pages("two.htm")).find("clutter to cut"), std::string::npos);
}

}  // namespace
