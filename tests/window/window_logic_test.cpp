#include "app/window_logic.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/settings_file.h"
#include "tests/support/temp_folder.h"

namespace {

using Lines = std::vector<std::string>;

// The window and the worker the logic talks to, as records of what it did.
class FakeWindow : public app::WindowView, public job::JobPoster {
 public:
  bool ArchiveChecked() const override { return archive; }
  bool FixChecked() const override { return fix; }
  void SetArchiveChecked(bool checked) override { archive = checked; }
  void SetFixChecked(bool checked) override { fix = checked; }
  void MoveTo(int x, int y) override { place = {x, y}; }
  void AddLogLine(const std::string& line) override { log.push_back(line); }
  void ClearLog() override { log.clear(); }
  void SetCaption(const char* text) override { caption = text; }
  void Close() override { ++closes; }
  bool Post(std::unique_ptr<job::JobRequest> request) override {
    EXPECT_GT(holds, 0) << "a request was posted while the worker was not held";
    posted.push_back(std::move(request));
    return true;
  }
  void Hold() override { ++holds; }
  void Release() override { --holds; }

  bool archive = false, fix = false;
  std::pair<int, int> place{-1, -1};
  Lines log;
  std::string caption = "template caption";
  int closes = 0, holds = 0;
  std::vector<std::unique_ptr<job::JobRequest>> posted;
};

std::unique_ptr<job::JobResult> Result(int32_t status, const char* name) {
  auto result = std::make_unique<job::JobResult>();
  result->status = status;
  std::snprintf(result->name, sizeof result->name, "%s", name);
  return result;
}

class WindowLogicTest : public ::testing::Test {
 protected:
  // A command line naming two pages of the temporary folder (they need not
  // exist: a name ending in .htm is queued all the same).
  std::string TwoPages() const {
    return "\"" + folder.Path("page0.htm") + "\" \"" + folder.Path("page1.htm") + "\"";
  }

  std::string Stored(const char* key) const {
    return platform::ReadSettingString(ini.c_str(), "Options", key, "<absent>", 260);
  }

  testsupport::TempFolder folder;
  std::string ini = folder.Path("velkor.ini");
};

TEST_F(WindowLogicTest, CommandLineRunClosesOnlyWhenEveryJobSucceededDroppedOnesIncluded) {
  folder.Write("velkor.ini", "[Options]\nPosX=-5\nPosY=40\nbArc=0\nbMSIE=1\n");
  const std::pair<int32_t, const char*> firstResults[] = {
      {0, "page0.htm [Ok]"},
      {2, "page0.htm [Ошибка: 2]"},
      {-1, "Настройте параметры архиватора в ini файле"},
      {-2, "Отсутствуют заданные действия"},
  };
  for (const auto& [status, line] : firstResults) {
    SCOPED_TRACE(status);
    FakeWindow window;
    app::WindowLogic logic(window, window, ini);
    logic.Open(TwoPages().c_str());
    EXPECT_EQ(window.place, std::make_pair(2, 40)) << "a negative coordinate counts as 2";
    ASSERT_EQ(window.posted.size(), 2u);
    EXPECT_EQ(window.posted[1]->archive, 0);
    EXPECT_EQ(window.posted[1]->fix, 1);
    EXPECT_EQ(window.holds, 0) << "the worker must be let go after the command line";
    logic.OnResult(Result(status, "page0.htm"));
    EXPECT_EQ(window.log, Lines{line});

    // A drop while page1 is pending: the log is emptied, the dropped page
    // queued behind with the boxes as they are now.
    window.fix = false;
    logic.OnDrop({folder.Path("dropped.htm")});
    EXPECT_TRUE(window.log.empty());
    ASSERT_EQ(window.posted.size(), 3u);
    EXPECT_EQ(window.posted[2]->fix, 0);
    EXPECT_EQ(logic.intake().PendingJobs(), 2);
    logic.OnResult(Result(0, "page1.htm"));
    EXPECT_EQ(window.caption, "template caption") << "a job is still pending";
    EXPECT_EQ(window.closes, 0);
    logic.OnResult(Result(0, "dropped.htm"));
    EXPECT_EQ(window.log, (Lines{"page1.htm [Ok]", "dropped.htm [Ok]"}));
    EXPECT_EQ(window.caption, app::kIdleCaption);
    EXPECT_EQ(window.closes, status == 0 ? 1 : 0);
  }
}

TEST_F(WindowLogicTest, ClosingStoresPlaceUnlessBeyondTheScreenAndAlwaysTheBoxes) {
  const struct {
    app::ClosingPlace place;
    const char *posX, *posY;
  } cases[] = {
      {{130, 45, 1024, 768}, "130", "45"},
      {{-32000, -32000, 1024, 768}, "0", "0"},  // minimised
      {{-8, 300, 1024, 768}, "0", "300"},
      {{1024, 10, 1024, 768}, "11", "22"},  // left edge at the screen's width
      {{10, 900, 1024, 768}, "11", "22"},
      {{1023, 767, 1024, 768}, "1023", "767"},
  };
  FakeWindow window;
  app::WindowLogic logic(window, window, ini);
  for (const auto& c : cases) {
    folder.Write("velkor.ini", "[Options]\nPosX=11\nPosY=22\n");
    window.archive = !window.archive;
    window.fix = !window.archive;
    logic.OnClose(c.place);
    SCOPED_TRACE(std::to_string(c.place.left) + "," + std::to_string(c.place.top));
    EXPECT_EQ(Stored("PosX"), c.posX);
    EXPECT_EQ(Stored("PosY"), c.posY);
    EXPECT_EQ(Stored("bArc"), window.archive ? "1" : "0");
    EXPECT_EQ(Stored("bMSIE"), window.fix ? "1" : "0");
  }
}

TEST(SkipProgramName, LeavesTheArgumentTextWithoutLeadingBlanksOrTabs) {
  const std::pair<const char*, const char*> cases[] = {
      {"Velkor.exe \t  a.htm  b.htm ", "a.htm  b.htm "},
      {"\"C:\\Program Files\\Velkor\\Velkor.exe\" \"D:\\My Pages\\a b.html\"",
       "\"D:\\My Pages\\a b.html\""},
      {"\"C:\\Velkor.exe\"D:\\x.htm", "D:\\x.htm"},
      {"\"C:\\never closed a.htm", ""},
      {"C:\\Velkor.exe\t/dde", "/dde"},
  };
  for (const auto& [commandLine, arguments] : cases) {
    EXPECT_STREQ(app::SkipProgramName(commandLine), arguments) << commandLine;
  }
}

}  // namespace
