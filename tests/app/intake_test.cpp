#include "app/intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/text.h"
#include "tests/support/temp_folder.h"

namespace {

using Paths = std::vector<std::string>;
const std::string kSep(1, platform::kPathSeparator);

// Stands in for the worker and for the window's two boxes.
class IntakeTest : public ::testing::Test, public job::JobPoster, public app::OptionBoxes {
 protected:
  struct Posted {
    std::string path;
    int archive;
    int fix;
    int holdsAtPost;
  };

  bool Post(std::unique_ptr<job::JobRequest> request) override {
    if (refuse_) return false;
    posted_.push_back({request->path, request->archive, request->fix, holds_});
    return true;
  }
  void Hold() override {
    ++holds_;
    ++holdCalls_;
  }
  void Release() override { --holds_; }
  bool ArchiveChecked() const override { return archive_; }
  bool FixChecked() const override { return fix_; }

  Paths PostedPaths(bool sorted = false) const {
    Paths paths;
    for (const Posted& p : posted_) paths.push_back(p.path);
    // A folder's listing order is the file system's.
    if (sorted) std::sort(paths.begin(), paths.end());
    return paths;
  }

  std::vector<Posted> posted_;
  int holds_ = 0;
  int holdCalls_ = 0;
  bool refuse_ = false;
  bool archive_ = true;
  bool fix_ = true;
  app::Intake intake_{*this, *this};
  testsupport::TempFolder folder_;
};

TEST(SplitCommandLine, SplitsAtBlanksAndGroupsQuotedPaths) {
  const std::pair<const char*, Paths> cases[] = {
      {R"("D:\My Pages\a b.html" D:\x\c.htm)", {R"(D:\My Pages\a b.html)", R"(D:\x\c.htm)"}},
      {R"("D:\a.htm D:\b.htm)", {R"(D:\a.htm)", R"(D:\b.htm)"}},  // unclosed quote dropped
      {"   a.htm  b.htm   ", {"a.htm", "b.htm"}},
      {R"("" a.htm "")", {"a.htm"}},
      {"a.htm\tb.htm", {"a.htm\tb.htm"}},  // a tab separates nothing
      {R"(x"y.htm "a b.htm"c.htm)", {R"(x"y.htm)", "a b.htm", "c.htm"}},
      {"", {}},
      {"/dde", {}},
      {"/DdE", {}},
      {" /dde", {"/dde"}},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(app::SplitCommandLine(text), expected) << "[" << text << "]";
  }
}

TEST(ExtensionTest, WantsHtmInLowerOrUpperCase) {
  for (const char* path : {"a.htm", "a.html", "a.shtml", "a.xhtml", "a.mhtml", "a.HTM", "a.HTML"}) {
    EXPECT_TRUE(app::PassesExtensionTest(path)) << path;
  }
  for (const char* path : {"a.Htm", "a.hTML", "a", "a.txt", "x.htm.txt"}) {
    EXPECT_FALSE(app::PassesExtensionTest(path)) << path;
  }
  EXPECT_FALSE(app::PassesExtensionTest(("d.htm" + kSep + "page").c_str()));
}

TEST_F(IntakeTest, CommandLineQueuesItsPathsInOrderUnderOneHold) {
  const std::string spaced = folder_.Write("My Pages" + kSep + "a b.html", "a");
  const std::string plain = folder_.Write("c.htm", "c");
  const std::string gone = folder_.Path("gone.htm");
  intake_.ParseCommandLine(("\"" + spaced + "\" " + plain + " " + gone).c_str());
  EXPECT_EQ(PostedPaths(), (Paths{spaced, plain, gone}));
  for (const Posted& p : posted_) EXPECT_EQ(p.holdsAtPost, 1) << p.path;
  EXPECT_EQ(holdCalls_, 1);
  EXPECT_EQ(holds_, 0);
  EXPECT_EQ(intake_.AutoClose(), 3);

  app::Intake dde(*this, *this);
  dde.ParseCommandLine("/DDE");
  EXPECT_EQ(holdCalls_, 2);  // held and released all the same
  EXPECT_EQ(holds_, 0);
  EXPECT_EQ(dde.AutoClose(), 0);
}

TEST_F(IntakeTest, AFolderGivesItsOwnPagesOnly) {
  for (const char* name : {"a.html", "b.HTM", "c.Htm", "d.txt", "e", "g.mhtml"}) {
    folder_.Write(name, "x");
  }
  folder_.Write("sub" + kSep + "e.htm", "x");
  std::filesystem::create_directories(folder_.Path("f.htm"));
  const Paths pages{folder_.Path("a.html"), folder_.Path("b.HTM"), folder_.Path("g.mhtml")};
  intake_.QueueBatch({folder_.path().string()});
  EXPECT_EQ(PostedPaths(true), pages);
  EXPECT_EQ(intake_.AutoClose(), 0);  // a drop never lets the window close itself

  posted_.clear();
  intake_.QueueInput((folder_.path().string() + kSep).c_str());
  EXPECT_EQ(PostedPaths(true), pages);
}

TEST_F(IntakeTest, FilesPassOrFailOnTheirExtensionAndGetTheBoxesOfTheirMoment) {
  const std::string mhtml = folder_.Write("x.mhtml", "x");
  const std::string missing = folder_.Path("missing.htm");
  intake_.QueueInput(mhtml.c_str());
  archive_ = false;
  intake_.QueueBatch({folder_.Write("x.Html", "x"), missing, folder_.Path("missing"),
                      std::string(1100, 'a') + ".htm"});
  EXPECT_EQ(PostedPaths(), (Paths{mhtml, missing}));
  EXPECT_EQ(posted_[0].archive, 1);
  EXPECT_EQ(posted_[1].archive, 0);
  EXPECT_EQ(posted_[1].fix, 1);
}

TEST_F(IntakeTest, ResultsCountDownAndAFailureCancelsTheClosing) {
  const std::string a = folder_.Write("a.htm", "a");
  intake_.TakeCommandLine({a, a});
  intake_.OnResult(job::STATUS_OK);
  EXPECT_EQ(intake_.PendingJobs(), 1);
  EXPECT_EQ(intake_.AutoClose(), 2);
  intake_.QueueBatch({a});  // a drop meanwhile
  EXPECT_EQ(intake_.PendingJobs(), 2);
  intake_.OnResult(job::STATUS_OK);
  intake_.OnResult(job::STATUS_NO_ACTIONS);
  EXPECT_EQ(intake_.PendingJobs(), 0);
  EXPECT_EQ(intake_.AutoClose(), 0);

  refuse_ = true;  // a request the worker refuses is not counted
  intake_.QueueInput(a.c_str());
  EXPECT_EQ(intake_.PendingJobs(), 0);
}

TEST_F(IntakeTest, AWildcardNameResolvesToItsFirstMatchOnly) {
  const std::string page = folder_.Write("Page.html", "x");
  folder_.Write("Other.html", "x");
  intake_.QueueInput(folder_.Path("*.html").c_str());
  ASSERT_EQ(posted_.size(), 1u);

  char resolved[sizeof job::JobRequest::path];
  ASSERT_TRUE(app::ResolveLongName(folder_.Path("P*.html").c_str(), resolved));
  EXPECT_EQ(std::string(resolved), page);
  ASSERT_TRUE(app::ResolveLongName(folder_.Path("*.none").c_str(), resolved));
  EXPECT_EQ(std::string(resolved), folder_.Path("*.none"));
  ASSERT_TRUE(app::ResolveLongName(folder_.Path("PAGE.HTML").c_str(), resolved));
#ifdef _WIN32
  EXPECT_EQ(std::string(resolved), page);  // the letter case stored on disk
#else
  EXPECT_EQ(std::string(resolved), folder_.Path("PAGE.HTML"));  // names are exact here
#endif
  EXPECT_FALSE(app::ResolveLongName(std::string(1024, 'a').c_str(), resolved));

  // A bare name resolves to the stored name alone.
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder_.path());
  const bool bareResolved = app::ResolveLongName("P*.html", resolved);
  std::filesystem::current_path(previous);
  ASSERT_TRUE(bareResolved);
  EXPECT_STREQ(resolved, "Page.html");
}

TEST_F(IntakeTest, AFolderWithoutRoomForItsPatternOrAnEntryYieldsNothingOfThem) {
  // Folder paths that leave too little of the 259 characters.
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
  EXPECT_EQ(PostedPaths(), Paths{fits});
}

}  // namespace
