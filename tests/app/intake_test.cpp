#include "app/intake.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

namespace {

using Paths = std::vector<std::string>;

TEST(SplitCommandLine, SplitsAtBlanksAndGroupsQuotedPaths) {
  const std::pair<const char*, Paths> cases[] = {
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

  Paths posted_;
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
       Paths{"a.html", "b.HTM", "c.Htm", "d.txt", "e", "g.mhtml", "h.htm.txt", "sub/e.htm",
             "f.htm/x", "named/x.mhtml", "named/x.Html", roomy + "/a.htm", roomy + "/long-name.htm",
             cramped + "/b.htm"}) {
    folder_.Write(name, "x");
  }
  intake_.TakeCommandLine({folder_.path().string(), folder_.Path(roomy + "/") /* separator */,
                           folder_.Path(cramped), folder_.Path("named/x.mhtml"),
                           folder_.Path("named/x.Html"), folder_.Path("gone.htm"),
                           folder_.Path("gone"), "x.htm" + std::string(1100, 'x')});
  EXPECT_EQ(holds_, 0);
  EXPECT_EQ(intake_.AutoClose(), 6);
  std::sort(posted_.begin(), posted_.end());  // a folder's listing order is the file system's
  EXPECT_EQ(posted_, (Paths{folder_.Path("a.html"), folder_.Path("b.HTM"), folder_.Path("g.mhtml"),
                            folder_.Path("gone.htm"), folder_.Path("named/x.mhtml"),
                            folder_.Path(roomy + "/a.htm")}));
}

TEST_F(IntakeTest, ANameResolvesAsStoredAndAWildcardToItsFirstMatchOnly) {
  const std::string page = folder_.Write("Page.html", "x");
  folder_.Write("Other.html", "x");
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder_.path());  // for a bare name
  intake_.QueueBatch({folder_.Path("*.html"), folder_.Path("PAGE.HTML"), "P*.html"});
  std::filesystem::current_path(previous);
  ASSERT_EQ(posted_.size(), 3u);
#ifdef _WIN32
  EXPECT_EQ(posted_[1], page);  // the letter case stored on disk
#else
  EXPECT_EQ(posted_[1], folder_.Path("PAGE.HTML"));  // names are exact here
#endif
  EXPECT_EQ(posted_[2], "Page.html");  // a bare name resolves to the stored name alone
}

}  // namespace
