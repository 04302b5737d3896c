#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "app/cli/run_cli.h"
#include "app/intake.h"
#include "platform/text.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using testsupport::ReadFile;

TEST(SplitCommandLine, SplitsAtBlanksAndGroupsQuotedPaths) {
  const std::pair<const char*, Strings> cases[] = {
      {R"("D:\My Pages\a b.html" D:\x\c.htm)", {R"(D:\My Pages\a b.html)", R"(D:\x\c.htm)"}},
      {R"("D:\a.htm D:\b.htm)", {R"(D:\a.htm)", R"(D:\b.htm)"}},  // unclosed quote dropped
      {R"(   a.htm  "" b.htm "")", {"a.htm", "b.htm"}},
      {"a.htm\tb.htm", {"a.htm\tb.htm"}},  // a tab separates nothing
      {R"(x"y.htm "a b.htm"c.htm)", {R"(x"y.htm)", "a b.htm", "c.htm"}},
      {"/DdE", {}},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(app::SplitCommandLine(text), expected) << "[" << text << "]";
}

// Stands in for the worker, held while a batch is queued, and the window's boxes.
class IntakeTest : public ::testing::Test, public job::JobPoster, public app::OptionBoxes {
 protected:
  bool Post(std::unique_ptr<job::JobRequest> request) override {
    EXPECT_EQ(holds_, 1) << request->path;
    posted_.push_back(request->path);
    return true;
  }
  void Hold() override { ++holds_; }
  void Release() override { --holds_; }
  bool ArchiveChecked() const override { return true; }
  bool FixChecked() const override { return true; }

  Strings posted_;
  int holds_ = 0;
  app::Intake intake_{*this, *this};
  testsupport::TempFolder folder_;
};

TEST_F(IntakeTest, TakesNamedPagesEvenMissingOnesAndTheOwnPagesOfNamedFolders) {
  // Subfolders are never entered; two named ones leave little of the 259 characters: room
  // for the search pattern and a short entry, or not even for the pattern.
  const size_t base = folder_.path().string().size() + 1;
  const std::string roomy(app::kSearchPathCapacity - base - 9, 'n');
  const std::string cramped(app::kSearchPathCapacity - base - 7, 't');
  for (const std::string& name :
       Strings{"a.html", "b.HTM", "c.Htm", "d.txt", "e", "g.mhtml", "h.htm.txt", "sub/e.htm",
               "f.htm/x", "named/x.mhtml", "named/x.Html", roomy + "/a.htm",
               roomy + "/long-name.htm", cramped + "/b.htm"}) {
    folder_.Write(name, "x");
  }
  intake_.TakeCommandLine({folder_.path().string(), folder_.Path(roomy + "/") /* separator */,
                           folder_.Path(cramped), folder_.Path("named/x.mhtml"),
                           folder_.Path("named/x.Html"), folder_.Path("gone.htm"),
                           folder_.Path("gone"), "x.htm" + std::string(1100, 'x')});
  EXPECT_EQ(holds_, 0);
  EXPECT_EQ(intake_.AutoClose(), 6);
  std::sort(posted_.begin(), posted_.end());  // a folder's listing order is the file system's
  EXPECT_EQ(posted_, (Strings{folder_.Path("a.html"), folder_.Path("b.HTM"),
                              folder_.Path("g.mhtml"), folder_.Path("gone.htm"),
                              folder_.Path("named/x.mhtml"), folder_.Path(roomy + "/a.htm")}));
}

TEST_F(IntakeTest, ANameResolvesAsStoredAndAWildcardToItsFirstMatchOrItsFolder) {
  const std::string page = folder_.Write("Page.html", "x");
  folder_.Write("Other.html", "x");
  folder_.Write("a sub/x.htm", "x");  // listed before the pages
  const fs::path previous = fs::current_path();
  fs::current_path(folder_.path());  // for a bare name
  // "." stands for the folder itself, with its two pages; so does a wildcard that matches
  // everything, since a folder lists its own entry "." first.
  intake_.QueueBatch({folder_.Path("*.html"), folder_.Path("PAGE.HTML"), "P*.html", ".",
                      folder_.Path("*")});
  fs::current_path(previous);
  ASSERT_EQ(posted_.size(), 7u);
  EXPECT_EQ(posted_[0], folder_.Path("Other.html"));
  // Windows gives the letter case stored on disk; names are exact elsewhere.
  EXPECT_EQ(posted_[1], platform::kPathSeparator == '\\' ? page : folder_.Path("PAGE.HTML"));
  EXPECT_EQ(posted_[2], "Page.html");  // a bare name resolves to the stored name alone
  Strings ofWildcard(posted_.begin() + 5, posted_.end());
  std::sort(ofWildcard.begin(), ofWildcard.end());
  EXPECT_EQ(ofWildcard, (Strings{folder_.Path("Other.html"), page}));
}

const fs::path kSamples = VELKOR_SAMPLES_DIR;

// velkor-cli run in-process on a copy of the sample pages, the folder "pages".
class CliRun : public ::testing::Test {
 protected:
  CliRun() {
    fs::copy(kSamples, folder_.Path("pages"), fs::copy_options::recursive);
    folder_.Write("pages/Frost Wind.html", "saved again");  // a rename must never replace it
  }

  // Settings that run the stand-in: it ends with `code`, reporting to "<archive>.report".
  std::string Ini(const std::string& code) const {
    return folder_.Write("velkor.ini", "[Options]\nArc=" + testsupport::ArchiverStandinPath() +
                                           "\nCom=" + code + " \"%s.report\" \"%s\" \"%s\"\n");
  }
  int Run(const Strings& arguments) {
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
  EXPECT_EQ(err_, "");
  // One line a page, in the folder's listing order, which is the system's.
  EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'), 7) << out_;
  EXPECT_NE(out_.find("Lantern Road.htm [Ok]\n"), std::string::npos) << out_;
  for (const auto& expected : fs::directory_iterator(kSamples / "expected")) {
    const std::string name = expected.path().filename().string();
    EXPECT_EQ(ReadFile(Page(name)), ReadFile(expected.path().string())) << name;
  }
  EXPECT_FALSE(fs::exists(Page("Lantern Road.html")));
  EXPECT_EQ(ReadFile(Page("Frost Wind.html")), "saved again");
  EXPECT_FALSE(fs::exists(Page("Frost Wind_files/jquery.js")));
  // The archiver was called with the archive's name, the page and its folder.
  const std::string calls[][3] = {
      {"Itetsuku Kaze [Frost Wind][OVA]", "Frost Wind.htm", "Frost Wind_files"},
      {"Frost Wind", "Frost Wind.html", "Frost Wind_files"},
  };
  for (const auto& [archive, page, files] : calls) {
    const std::string report = Page(archive + ".report");
    EXPECT_EQ(testsupport::ReportValues(ReadFile(report), "arg"),
              (Strings{"0", report, Page(page), Page(files)}));
  }
}

TEST_F(CliRun, PrintsALineAPageOrOneMessageAndAnyFailureMakesTheStatusNonZero) {
  // A usage error is one line with status 2 and touches nothing; help wins over it.
  const std::string lantern = Page("Lantern Road.html"), frost = Page("Frost Wind.htm");
  for (const Strings& mistake :
       {Strings{}, Strings{"--fix"}, Strings{"-x", frost}, Strings{frost, "--ini"},
        Strings{"--ini=", frost}, Strings{"--ini", folder_.Path("none"), frost}}) {
    EXPECT_EQ(Run(mistake), 2);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
  }
  EXPECT_EQ(Run({"--bogus", frost, "--help"}), 0);
  EXPECT_EQ(out_.rfind("Usage: velkor-cli", 0), 0u) << out_;
  EXPECT_EQ(ReadFile(frost), ReadFile((kSamples / "Frost Wind.htm").string()));
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
  EXPECT_EQ(ReadFile(ini), settings);
  EXPECT_EQ(Run({"--ini", ini, Page("notes.txt"), Page("missing-folder")}), 1);
  EXPECT_EQ(out_, "");
  EXPECT_NE(err_.find("no page"), std::string::npos) << err_;
  // A missing page is still queued as the window queues it, but a script learns of it.
  EXPECT_EQ(Run({"--ini", ini, "--fix", Page("gone.htm")}), 1);
  EXPECT_EQ(out_, "gone.htm [Ok]\n");
  EXPECT_NE(err_.find("no such file or folder: " + Page("gone.htm")), std::string::npos) << err_;
}

}  // namespace
