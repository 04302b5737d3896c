#include "app/intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

const std::string kSep(1, platform::kPathSeparator);

struct Posted {
  std::string path;
  int archive;
  int fix;
  int holdsAtPost;
};

class FakeWorker final : public job::JobPoster {
 public:
  bool Post(std::unique_ptr<job::JobRequest> request) override {
    if (refuse) return false;
    posted.push_back({request->path, request->archive, request->fix, holds});
    return true;
  }
  void Hold() override {
    ++holds;
    ++holdCalls;
  }
  void Release() override { --holds; }

  std::vector<std::string> Paths() const {
    std::vector<std::string> paths;
    for (const Posted& p : posted) paths.push_back(p.path);
    return paths;
  }

  std::vector<Posted> posted;
  int holds = 0;
  int holdCalls = 0;
  bool refuse = false;
};

class Boxes final : public app::OptionBoxes {
 public:
  bool ArchiveChecked() const override { return archive; }
  bool FixChecked() const override { return fix; }
  bool archive = true;
  bool fix = true;
};

std::vector<std::string> Sorted(std::vector<std::string> paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

TEST(SplitCommandLine, SplitsAtBlanksAndGroupsQuotedPaths) {
  using Paths = std::vector<std::string>;
  const std::pair<const char*, Paths> cases[] = {
      {R"("D:\My Pages\a b.html" D:\x\c.htm)", {R"(D:\My Pages\a b.html)", R"(D:\x\c.htm)"}},
      {R"("D:\a.htm D:\b.htm)", {R"(D:\a.htm)", R"(D:\b.htm)"}},
      {"a.htm   ", {"a.htm"}},
      {"   a.htm  b.htm", {"a.htm", "b.htm"}},
      {R"("" a.htm "")", {"a.htm"}},
      {"a.htm\tb.htm", {"a.htm\tb.htm"}},
      {R"(x"y.htm z.htm)", {R"(x"y.htm)", "z.htm"}},
      {R"("a b.htm"c.htm)", {"a b.htm", "c.htm"}},
      {"", {}},
      {"   ", {}},
      {"/dde", {}},
      {"/DDE", {}},
      {"/Dde", {}},
      {" /dde", {"/dde"}},
      {"/dde a.htm", {"/dde", "a.htm"}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(app::SplitCommandLine(text), expected) << "[" << text << "]";
  }
}

TEST(ExtensionTest, WantsHtmInLowerOrUpperCase) {
  const std::pair<const char*, bool> cases[] = {
      {"a.htm", true},   {"a.html", true},  {"a.shtml", true}, {"a.xhtml", true},
      {"a.mhtml", true}, {"a.HTM", true},   {"a.HTML", true},  {"a.Htm", false},
      {"a.hTML", false}, {"a", false},      {"a.txt", false},  {"htm", false},
      {"x.htm.txt", false},
  };
  for (const auto& [path, passes] : cases) {
    EXPECT_EQ(app::PassesExtensionTest(path), passes) << path;
  }
  EXPECT_FALSE(app::PassesExtensionTest(("d.htm" + kSep + "page").c_str()));
}

class IntakeTest : public ::testing::Test {
 protected:
  FakeWorker worker_;
  Boxes boxes_;
  app::Intake intake_{worker_, boxes_};
  testsupport::TempFolder folder_;
};

TEST_F(IntakeTest, CommandLineQueuesItsPathsInOrderUnderOneHold) {
  const std::string spaced = folder_.Write("My Pages" + kSep + "a b.html", "a");
  const std::string plain = folder_.Write("c.htm", "c");
  intake_.ParseCommandLine(("\"" + spaced + "\" " + plain).c_str());
  EXPECT_EQ(worker_.Paths(), (std::vector<std::string>{spaced, plain}));
  for (const Posted& p : worker_.posted) EXPECT_EQ(p.holdsAtPost, 1) << p.path;
  EXPECT_EQ(worker_.holdCalls, 1);
  EXPECT_EQ(worker_.holds, 0);
  EXPECT_EQ(intake_.PendingJobs(), 2);
  EXPECT_EQ(intake_.AutoClose(), 2);
}

TEST_F(IntakeTest, DdeOrAnEmptyCommandLineQueuesNothingAndNeverCloses) {
  for (const char* text : {"/DDE", "/dde", ""}) {
    FakeWorker worker;
    app::Intake intake(worker, boxes_);
    intake.ParseCommandLine(text);
    EXPECT_TRUE(worker.posted.empty()) << text;
    EXPECT_EQ(worker.holdCalls, 1) << text;
    EXPECT_EQ(worker.holds, 0) << text;
    EXPECT_EQ(intake.AutoClose(), 0) << text;
  }
}

TEST_F(IntakeTest, AFolderGivesItsOwnPagesOnly) {
  for (const char* name : {"a.html", "b.HTM", "c.Htm", "d.txt", "e", "g.mhtml"}) {
    folder_.Write(name, "x");
  }
  folder_.Write("sub" + kSep + "e.htm", "x");
  std::filesystem::create_directories(folder_.Path("f.htm"));
  intake_.QueueBatch({folder_.path().string()});
  EXPECT_EQ(Sorted(worker_.Paths()),
            (std::vector<std::string>{folder_.Path("a.html"), folder_.Path("b.HTM"),
                                      folder_.Path("g.mhtml")}));
  EXPECT_EQ(intake_.PendingJobs(), 3);
  EXPECT_EQ(intake_.AutoClose(), 0);  // a drop never lets the window close itself

  FakeWorker other;
  app::Intake withSeparator(other, boxes_);
  withSeparator.QueueInput((folder_.path().string() + kSep).c_str());
  EXPECT_EQ(Sorted(other.Paths()), Sorted(worker_.Paths()));
}

TEST_F(IntakeTest, FilesPassOrFailOnTheirExtension) {
  const std::string mhtml = folder_.Write("x.mhtml", "x");
  const std::string wrongCase = folder_.Write("x.Html", "x");
  const std::string missingPage = folder_.Path("missing.htm");
  intake_.QueueBatch({mhtml, wrongCase, missingPage, folder_.Path("missing"),
                      folder_.Path("missing" + kSep)});
  EXPECT_EQ(worker_.Paths(), (std::vector<std::string>{mhtml, missingPage}));
}

TEST_F(IntakeTest, EachRequestCarriesTheBoxesAsTheyAreWhenItIsMade) {
  const std::string a = folder_.Write("a.htm", "a");
  const std::string b = folder_.Write("b.htm", "b");
  boxes_.archive = false;
  intake_.QueueInput(a.c_str());
  boxes_.archive = true;
  boxes_.fix = false;
  intake_.QueueInput(b.c_str());
  ASSERT_EQ(worker_.posted.size(), 2u);
  EXPECT_EQ(worker_.posted[0].archive, 0);
  EXPECT_EQ(worker_.posted[0].fix, 1);
  EXPECT_EQ(worker_.posted[1].archive, 1);
  EXPECT_EQ(worker_.posted[1].fix, 0);
}

TEST_F(IntakeTest, AWildcardNameQueuesItsFirstMatchOnly) {
  folder_.Write("b.htm", "b");
  folder_.Write("c.htm", "c");
  intake_.QueueInput(folder_.Path("*.htm").c_str());
  ASSERT_EQ(worker_.posted.size(), 1u);
  const std::string name = platform::FindFileName(worker_.posted[0].path.c_str());
  EXPECT_TRUE(name == "b.htm" || name == "c.htm") << name;
}

TEST_F(IntakeTest, ResultsCountDownAndAFailureCancelsTheClosing) {
  const std::string a = folder_.Write("a.htm", "a");
  const std::string b = folder_.Write("b.htm", "b");
  intake_.TakeCommandLine({a, b});
  EXPECT_EQ(intake_.AutoClose(), 2);
  intake_.OnResult(job::STATUS_OK);
  EXPECT_EQ(intake_.PendingJobs(), 1);
  EXPECT_NE(intake_.AutoClose(), 0);
  intake_.QueueBatch({a});  // a drop meanwhile
  EXPECT_EQ(intake_.PendingJobs(), 2);
  intake_.OnResult(job::STATUS_OK);
  intake_.OnResult(job::STATUS_NO_ACTIONS);
  EXPECT_EQ(intake_.PendingJobs(), 0);
  EXPECT_EQ(intake_.AutoClose(), 0);
}

TEST_F(IntakeTest, ARefusedRequestIsNotCounted) {
  worker_.refuse = true;
  intake_.TakeCommandLine({folder_.Write("a.htm", "a")});
  EXPECT_EQ(intake_.PendingJobs(), 0);
  EXPECT_EQ(intake_.AutoClose(), 0);
}

TEST(ResolveLongName, KeepsThePathOrPutsTheStoredNameLast) {
  testsupport::TempFolder folder;
  const std::string page = folder.Write("Page.html", "x");
  char resolved[sizeof job::JobRequest::path];

  ASSERT_TRUE(app::ResolveLongName(page.c_str(), resolved));
  EXPECT_EQ(std::string(resolved), page);
  ASSERT_TRUE(app::ResolveLongName(folder.Path("*.html").c_str(), resolved));
  EXPECT_EQ(std::string(resolved), page);
  ASSERT_TRUE(app::ResolveLongName(folder.Path("*.none").c_str(), resolved));
  EXPECT_EQ(std::string(resolved), folder.Path("*.none"));
  ASSERT_TRUE(app::ResolveLongName(folder.Path("PAGE.HTML").c_str(), resolved));
#ifdef _WIN32
  EXPECT_EQ(std::string(resolved), page);  // the letter case stored on disk
#else
  EXPECT_EQ(std::string(resolved), folder.Path("PAGE.HTML"));  // names are exact here
#endif

  // A bare name resolves to the stored name alone.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.path());
  const bool bareResolved = app::ResolveLongName("*.html", resolved);
  std::filesystem::current_path(previous);
  ASSERT_TRUE(bareResolved);
  EXPECT_STREQ(resolved, "Page.html");
}

TEST(ResolveLongName, RefusesAPathLongerThanARequestHolds) {
  char resolved[sizeof job::JobRequest::path];
  EXPECT_TRUE(app::ResolveLongName(std::string(1023, 'a').c_str(), resolved));
  EXPECT_EQ(std::string(resolved), std::string(1023, 'a'));
  EXPECT_FALSE(app::ResolveLongName(std::string(1024, 'a').c_str(), resolved));

  FakeWorker worker;
  Boxes boxes;
  app::Intake intake(worker, boxes);
  intake.QueueInput((std::string(1100, 'a') + ".htm").c_str());
  EXPECT_TRUE(worker.posted.empty());
}

TEST_F(IntakeTest, AFolderWithoutRoomForItsPatternOrAnEntryYieldsNothingOfThem) {
  // Folders whose paths leave 259 characters too little room.
  const size_t base = folder_.path().string().size() + 1;
  const std::string nearlyFull(app::kSearchPathCapacity - 1 - base - 8, 'n');  // pattern fits
  const std::string tooLong(app::kSearchPathCapacity - base - 7, 't');  // pattern does not
  std::error_code error;
  std::filesystem::create_directories(folder_.Path(nearlyFull), error);
  std::filesystem::create_directories(folder_.Path(tooLong), error);
  if (error) GTEST_SKIP() << "this file system refuses such long paths: " << error.message();

  const std::string fits = folder_.Write(nearlyFull + kSep + "a.htm", "x");
  folder_.Write(nearlyFull + kSep + "long-name.htm", "x");
  folder_.Write(tooLong + kSep + "b.htm", "x");
  intake_.QueueBatch({folder_.Path(nearlyFull), folder_.Path(tooLong)});
  EXPECT_EQ(worker_.Paths(), std::vector<std::string>{fits});
}

}  // namespace
