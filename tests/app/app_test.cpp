// The intake of paths, and velkor-cli's promises, run in-process.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/intake.h"
#include "app/settings.h"
#include "platform/settings_file.h"
#include "platform/system.h"
#include "platform/text.h"
#include "tests/app/cli_run.h"
#include "tests/support/current_samples.h"

namespace {

using namespace clitest;

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

TEST_F(IntakeTest, TakesNamedPagesEvenMissingOnesAndTheOwnPagesOfNamedFoldersRefusingNoneUnseen) {
  // Subfolders are never entered; two named ones leave little of the 259 characters: room
  // for the search pattern and a short entry, or not even for the pattern. What does not fit
  // is refused by name, unless it is no page.
  const size_t base = folder_.path().string().size() + 1;
  const std::string roomy(app::kSearchPathCapacity - base - 9, 'n');
  const std::string cramped(app::kSearchPathCapacity - base - 7, 't');
  for (const std::string& name :
       Strings{"a.html", "b.HTM", "c.Htm", "d.txt", "e", "g.mhtml", "h.htm.txt", "sub/e.htm",
               "f.htm/x", "named/x.mhtml", "named/x.Html", roomy + "/a.htm",
               roomy + "/long-name.htm", roomy + "/long-name.txt", cramped + "/b.htm"}) {
    folder_.Write(name, "x");
  }
  std::error_code noLinks;  // where the system makes none, there is none to refuse
  fs::create_symlink(folder_.Path("nowhere.htm"), folder_.Path("dead.htm"), noLinks);
  intake_.TakeCommandLine({folder_.path().string(), folder_.Path(roomy + "/") /* separator */,
                           folder_.Path(cramped), folder_.Path("named/x.mhtml"),
                           folder_.Path("named/x.Html"), folder_.Path("gone.htm"),
                           folder_.Path("gone"), "x.htm" + std::string(1100, 'x')});
  EXPECT_EQ(holds_, 0);
  EXPECT_EQ(intake_.PendingJobs(), 6);
  EXPECT_EQ(intake_.AutoClose(), 0) << "a refused entry counts as a failure";
  std::sort(posted_.begin(), posted_.end());  // a folder's listing order is the file system's
  EXPECT_EQ(posted_, (Strings{folder_.Path("a.html"), folder_.Path("b.HTM"),
                              folder_.Path("g.mhtml"), folder_.Path("gone.htm"),
                              folder_.Path("named/x.mhtml"), folder_.Path(roomy + "/a.htm")}));
  Strings refused;
  for (const app::Refusal& refusal : intake_.TakeRefusals())
    refused.push_back(std::to_string(refusal.status) + " " + refusal.path);
  std::sort(refused.begin(), refused.end());
  const std::string tooLong = std::to_string(job::STATUS_PATH_TOO_LONG) + " ";
  const std::string notAFile = std::to_string(job::STATUS_PAGE_NOT_A_FILE) + " ";
  Strings expected{tooLong + folder_.Path(roomy + "/long-name.htm"),
                   tooLong + folder_.Path(cramped), tooLong + "x.htm" + std::string(1100, 'x'),
                   notAFile + folder_.Path("f.htm")};
  if (!noLinks) expected.push_back(notAFile + folder_.Path("dead.htm"));
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(refused, expected);
  EXPECT_TRUE(intake_.TakeRefusals().empty());
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

// samples/current holds pages saved the way today's browsers save them: in their expected
// forms every link into the page's folder leads to a file there (the scripts aside), named in
// the page's charset or, where that lacks a letter, left escaped.
TEST_F(CliRun, CleansRenamesAndArchivesEveryPageOfAFolder) {
  fs::remove_all(Page("Paper Cranes_files"));  // saved "HTML only"
  EXPECT_EQ(Run({"--ini", Ini("0"), folder_.Path("pages"), Page("current")}), 0) << err_;
  EXPECT_EQ(err_, "");
  // One line a page, in the folder's listing order, which is the system's.
  EXPECT_EQ(std::count(out_.begin(), out_.end(), '\n'),
            9 + std::ssize(testsupport::kCurrentSamples)) << out_;
  for (const auto& [name, archive] : testsupport::kCurrentSamples) {
    const std::string stem = std::string(name).substr(0, std::strrchr(name, '.') - name);
    const std::string page = Page("current/" + stem + ".htm");
    EXPECT_EQ(ReadFile(page), Expected("current/" + stem + ".htm")) << name;
    const std::string report = Page("current/" + std::string(archive) + ".report");
    Strings packed{"0", report, page, Page("current/" + stem + "_files")};
    if (!fs::exists(testsupport::PathOf(packed.back()))) packed.pop_back();
    EXPECT_EQ(testsupport::ReportValues(ReadFile(report), "arg"), packed) << archive;
  }
  // Chrome saves scripts as "name.js.download": they go like any other.
  EXPECT_FALSE(fs::exists(Page("current/Mao Gaiden_files/jquery.js.download")));
  EXPECT_TRUE(fs::exists(Page("current/Mao Gaiden_files/logo.gif")));
  EXPECT_NE(out_.find("Lantern Road.htm [Ok]\n"), std::string::npos) << out_;
  EXPECT_NE(out_.find("Amber Orchard.mhtml [Ok]\n"), std::string::npos) << out_;
  EXPECT_FALSE(fs::exists(Page("Lantern Road.html")));
  EXPECT_EQ(ReadFile(Page("Frost Wind.html")), "saved again");
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
  // A page without its folder is packed alone: an archiver asked for a missing folder fails.
  EXPECT_EQ(testsupport::ReportValues(ReadFile(Page("Paper Cranes.report")), "arg"),
            (Strings{"0", Page("Paper Cranes.report"), Page("Paper Cranes.htm")}));
  // A web archive is packed alone, under its title (whose type is in the page's own bytes).
  Strings alone;
  for (const auto& entry : fs::directory_iterator(folder_.Path("pages"))) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("Kohaku no Niwa [Amber Orchard][") || !name.ends_with("].report"))
      continue;
    std::ifstream report(entry.path(), std::ios::binary);  // named as the system stores it
    alone = testsupport::ReportValues(std::string(std::istreambuf_iterator<char>(report), {}),
                                      "arg");
  }
  ASSERT_EQ(alone.size(), 3u);
  EXPECT_EQ(alone[2], Page("Amber Orchard.mhtml"));
}

// Settings that a read would wait on, or never finish, are refused before anything is begun.
TEST_F(CliRun, AUsageErrorOrARefusedSettingsFileIsOneLineWithStatusTwoAndTouchesNothing) {
  const std::string frost = Page("Frost Wind.htm");
  for (const Strings& mistake :
       {Strings{}, Strings{"--fix"}, Strings{"-x", frost}, Strings{frost, "--ini"},
        Strings{"--ini=", frost}, Strings{"--ini", folder_.Path("none"), frost},
        Strings{"--archiver-timeout", "0", frost}, Strings{"--jobs", "1000000", frost},
        Strings{"--jobs=65", frost}}) {
    EXPECT_EQ(Run(mistake), 2);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
  }
  const std::pair<std::string, std::string> cases[] = {
      {platform::kPathSeparator == '/' ? "/dev/zero" : "NUL", " is not a regular file"},
      {folder_.Path("pages"), " is not a regular file"},
      {folder_.Write("big.ini", "[Options]\nbArc=0\n" +
                                    std::string(platform::kMaxSettingsFileSize, ';')),
       " is larger than 1 MB"}};
  for (const auto& [ini, problem] : cases) {
    EXPECT_EQ(Run({"--ini", ini, frost}), 2);
    EXPECT_EQ(out_, "");
    EXPECT_EQ(err_, "velkor-cli: the settings file " +
                        platform::ThisProcess().FullPath(ini.c_str()) + problem + "\n");
  }
  // Help wins over a usage error.
  EXPECT_EQ(Run({"--bogus", frost, "--help"}), 0);
  EXPECT_EQ(out_.rfind("Usage: velkor-cli", 0), 0u) << out_;
  EXPECT_EQ(ReadFile(frost), Sample("Frost Wind.htm"));
}

TEST_F(CliRun, TheSettingsBoxesCountUnlessAFlagSaysOtherwiseAndEveryFailureFailsTheRun) {
  const std::string frost = Page("Frost Wind.htm");
  const std::string settings = "[Options]\nbArc=0\nbMSIE=0\n", ini = folder_.Write("b", settings);
  EXPECT_EQ(Run({"--ini", ini, frost}), 1);
  EXPECT_EQ(out_, "Отсутствуют заданные действия\n");
  EXPECT_EQ(Run({"--ini", ini, "--no-fix", frost, "--fix"}), 0) << "the later flag wins";
  EXPECT_EQ(out_, "Frost Wind.htm [Ok]\n");
  EXPECT_EQ(ReadFile(ini), settings);
  // Nothing to process, and a missing page, which is still queued as the window queues it.
  EXPECT_EQ(Run({"--ini", ini, "--fix", Page("notes.txt"), Page("missing-folder")}), 1);
  EXPECT_EQ(out_, "");
  EXPECT_NE(err_.find("no page"), std::string::npos) << err_;
  EXPECT_EQ(Run({"--ini", ini, "--fix", Page("gone.htm")}), 1);
  EXPECT_EQ(out_, "gone.htm [Страница не найдена]\n");
  EXPECT_NE(err_.find("no such file or folder: " + Page("gone.htm")), std::string::npos) << err_;
  // A web archive cut short, as a download that broke off, keeps its name and every byte.
  std::string damaged = ReadFile(Page("Amber Orchard.mhtml"));
  damaged.resize(damaged.size() / 2);
  const std::string path = folder_.Write("pages/Cut Short.mhtml", damaged);
  EXPECT_EQ(Run({"--ini", ini, "--no-fix", "--no-archive", path}), 1);
  EXPECT_EQ(out_, "Cut Short.mhtml [Веб-архив повреждён, не изменён]\n");
  EXPECT_EQ(ReadFile(path), damaged);
  // Without a settings file both boxes are checked, and no archiver can start.
  EXPECT_EQ(Run({Page("Quiet Valley.htm")}), 1);
  EXPECT_EQ(out_, "Настройте параметры архиватора в ini файле\n");
  EXPECT_EQ(ReadFile(Page("Quiet Valley.htm")), Expected("Quiet Valley"));
}

// The stand-in's path made `length` characters long with "/./" and "//", which name no other.
std::string PaddedStandinPath(size_t length) {
  std::string path = testsupport::ArchiverStandinPath();
  const size_t pad = length - path.size(), at = path.find('/', path.find('/') + 1) + 1;
  std::string padding(pad % 2, '/');
  for (size_t i = 0; i < pad / 2; ++i) padding += "./";
  return path.insert(at, padding);
}

// Each page's line only asks to set the archiver up; standard error says once what is wrong.
TEST_F(CliRun, NamesOnceWhyTheArchiverCannotStartAndStartsNothing) {
  const std::string frost = Page("Frost Wind.htm"), quiet = Page("Quiet Valley.htm");
  std::string com = "0 \"%s.report\" \"%s\" \"%s\" ";
  com += std::string(app::kMaxComLength + 1 - com.size(), 'x');
  const std::string standin = testsupport::ArchiverStandinPath();
  const std::string noProgram = folder_.Write("no program.exe", "#!/nowhere\n");
  fs::permissions(noProgram, fs::perms::owner_exec, fs::perm_options::add);
  const std::string ini = folder_.Path("velkor.ini");
  const std::string arc = "\"Arc\" in " + ini + " is ";
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {standin, com, "\"Com\" in " + ini + " is longer than 258 characters"},
      {PaddedStandinPath(app::kMaxArcLength + 1), "0", "\"Arc\" in " + ini +
                                                            " is longer than 259 characters"},
      {"", "0", "\"Arc\" is not set, so no archiver is named"},
      {standin, "0 %d", "\"Com\" in " + ini + " is refused: it may hold \"%s\" three times at " +
                            "most, \"%%\", and no other \"%\""},
      {folder_.Path("none"), "0", arc + folder_.Path("none") + ", which does not exist"},
      {folder_.Path("pages"), "0", arc + folder_.Path("pages") + ", which is a folder"},
      {noProgram, "0", arc + noProgram + ", which the system did not start, or a page's names " +
                           "made its arguments too long"},
  };
  for (const auto& [program, format, problem] : cases) {
    folder_.Write("velkor.ini", "[Options]\nArc=" + program + "\nCom=" + format + "\n");
    EXPECT_EQ(Run({"--ini", ini, frost, quiet}), 1);
    EXPECT_EQ(out_, "Настройте параметры архиватора в ini файле\n"
                    "Настройте параметры архиватора в ini файле\n");
    EXPECT_EQ(err_, "velkor-cli: archiving could not start for 2 of 2 pages: " + problem +
                        "; settings files read: " + ini + "\n");
  }
  EXPECT_FALSE(fs::exists(Page(kFrostReport))) << "an archiver was started";
  // One character less of each is taken.
  com.pop_back();
  const std::string fits = folder_.Write(
      "fits.ini", "[Options]\nArc=" + PaddedStandinPath(app::kMaxArcLength) + "\nCom=" + com);
  EXPECT_EQ(Run({"--ini", fits, frost}), 0) << out_ << err_;
  EXPECT_TRUE(fs::exists(Page(kFrostReport)));
}

// A folder that leaves room for its search pattern and a short page only. On Windows its letters
// are Cyrillic, which take the room of their characters there, not of their bytes of UTF-8 (in
// folders of 60: the host file system takes 255 bytes a name).
TEST_F(CliRun, NamesEveryEntryItCannotTakeAndFails) {
  const std::string letter = platform::kPathSeparator == '\\' ? "\xD0\xB4" : "d";
  const size_t room = app::kSearchPathCapacity - folder_.path().string().size() - 17;
  std::string deep;
  for (size_t units = 1; units <= room; ++units)
    deep += units % 61 == 0 && units < room ? "/" : letter;
  folder_.Write(deep + "/a.htm", "x");
  const std::string tooLong = folder_.Write(deep + "/a longer page.htm", "x");
  const std::string named = Page(std::string(1100, 'n') + ".htm");
  const std::string ini = folder_.Write("velkor.ini", "[Options]\nbArc=0\n");
  EXPECT_EQ(Run({"--ini", ini, folder_.Path(deep), named}), 1);
  // A path too long for its line is cut from its front; the outcome stays whole.
  const std::string outcome = " [Пропущено: слишком длинный путь]";
  const std::string namedTail = named.substr(named.size() + outcome.size() + 4 - 1024);
  EXPECT_EQ(out_, tooLong + outcome + "\n..." + namedTail + outcome + "\na.htm [Ok]\n");
  EXPECT_EQ(err_, "") << "a path too long is not missing";
}

TEST_F(CliRun, ShowsTheArchiversLastLinesBelowThePagesLineWhenItFailsOrWhenVerbose) {
  const std::string frost = Page("Frost Wind.htm");
  std::string lines;
  for (int line = 6; line <= 25; ++line) lines += "    line " + std::to_string(line) + "\n";
  EXPECT_EQ(Run({"--ini", Ini("25:3"), frost}), 1);
  EXPECT_EQ(out_, "Frost Wind.htm [Ошибка: 3]\n" + lines);
  EXPECT_EQ(Run({"--ini", Ini("2:0"), frost}), 0);
  EXPECT_EQ(out_, "Frost Wind.htm [Ok]\n");
  EXPECT_EQ(Run({"--ini", Ini("2:0"), "--verbose", frost}), 0);
  EXPECT_EQ(out_, "Frost Wind.htm [Ok]\n    line 1\n    line 2\n");
  EXPECT_EQ(err_, "");
  // An archiver that runs out its time is ended, and leaves no process of its own.
  EXPECT_EQ(Run({"--ini", Ini("hang"), "--archiver-timeout", "1", frost}), 1);
  EXPECT_EQ(out_, "Frost Wind.htm [Архиватор остановлен: истекло время ожидания]\n    hanging\n");
  ExpectStandinEnded(Page(kFrostReport));
}

// Two pages of one "_files" folder (Frost Wind.htm and .html) and two whose titles give one
// archive name (Frost Wind and its copy Twin Wind): many workers must give what one gives.
TEST_F(CliRun, ManyWorkersGiveTheLinesPagesAndArchivesOfOne) {
  folder_.Write("pages/Twin Wind.htm", Sample("Frost Wind.htm"));
  fs::copy(folder_.path() / "pages", folder_.path() / "many", fs::copy_options::recursive);
  const std::string ini = Ini("0");
  ASSERT_EQ(Run({"--ini", ini, "--jobs", "1", folder_.Path("pages")}), 0) << err_;
  const std::string oneWorker = out_;
  ASSERT_EQ(Run({"--ini", ini, "--jobs", "4", folder_.Path("many")}), 0) << err_;
  EXPECT_EQ(out_, oneWorker);
  for (const auto& entry : fs::directory_iterator(folder_.path() / "pages")) {
    if (entry.is_directory() || entry.path().extension() == ".report") continue;
    const std::string name = entry.path().filename().string();
    EXPECT_EQ(ReadFile(folder_.Path("many/" + name)), ReadFile(entry.path().string())) << name;
  }
  // The pages of one archive packed into it in their order: the later one last (alone: it has
  // no folder).
  const Strings packed = testsupport::ReportValues(
      ReadFile(folder_.Path("many/" + kFrostReport)), "arg");
  ASSERT_EQ(packed.size(), 3u);
  EXPECT_EQ(packed[2], folder_.Path("many/Twin Wind.htm"));
}

}  // namespace
