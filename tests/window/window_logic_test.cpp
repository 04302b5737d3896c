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

using app::ClosingPlace;
using app::WindowLogic;

class FakeView : public app::WindowView {
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

  bool archive = false;
  bool fix = false;
  std::pair<int, int> place{-1, -1};
  std::vector<std::string> log;
  std::string caption = "template caption";
  int closes = 0;
};

class FakeWorker : public job::JobPoster {
 public:
  bool Post(std::unique_ptr<job::JobRequest> request) override {
    EXPECT_GT(holds, 0) << "a request was posted while the worker was not held";
    posted.push_back(std::move(request));
    return true;
  }
  void Hold() override { ++holds; }
  void Release() override { --holds; }

  std::vector<std::unique_ptr<job::JobRequest>> posted;
  int holds = 0;
};

std::unique_ptr<job::JobResult> Result(int32_t status, const char* name) {
  auto result = std::make_unique<job::JobResult>();
  result->status = status;
  std::snprintf(result->name, sizeof result->name, "%s", name);
  return result;
}

std::string Read(const std::string& ini, const char* key) {
  return platform::ReadSettingString(ini.c_str(), "Options", key, "<absent>", 260);
}

void Write(const std::string& ini, const char* key, const char* value) {
  ASSERT_TRUE(platform::WriteSettingString(ini.c_str(), "Options", key, value));
}

class WindowLogicTest : public ::testing::Test {
 protected:
  // A command line naming `count` pages of the temporary folder (they need
  // not exist: a name ending in .htm is queued all the same).
  std::string CommandLine(int count) const {
    std::string text;
    for (int i = 0; i < count; ++i)
      text += "\"" + folder.Path("page" + std::to_string(i) + ".htm") + "\" ";
    return text;
  }

  testsupport::TempFolder folder;
  std::string ini = folder.Path("velkor.ini");
  FakeView view;
  FakeWorker worker;
  WindowLogic logic{view, worker, ini};
};

TEST_F(WindowLogicTest, WithoutSettingsFileOpensAtTwoTwoWithBothBoxesChecked) {
  logic.Open("");
  EXPECT_EQ(view.place, std::make_pair(2, 2));
  EXPECT_TRUE(view.archive);
  EXPECT_TRUE(view.fix);
  EXPECT_EQ(view.caption, "template caption");
  EXPECT_EQ(testsupport::ReadFile(ini), "<missing>") << "opening must not create the settings file";
}

TEST_F(WindowLogicTest, RestoresStoredPlaceAndBoxesTakingNegativeCoordinatesAsTwo) {
  struct Case {
    const char *posX, *posY, *bArc, *bMSIE;
    std::pair<int, int> place;
    bool archive, fix;
  };
  const Case cases[] = {
      {"120", "340", "0", "1", {120, 340}, false, true},
      {"-5", "40", "1", "0", {2, 40}, true, false},
      {"7", "-32000", "7", "-1", {7, 2}, true, true},
      {"0", "0", "0", "0", {0, 0}, false, false},
  };
  for (const Case& c : cases) {
    Write(ini, "PosX", c.posX);
    Write(ini, "PosY", c.posY);
    Write(ini, "bArc", c.bArc);
    Write(ini, "bMSIE", c.bMSIE);
    FakeView fresh;
    FakeWorker idle;
    WindowLogic(fresh, idle, ini).Open("");
    SCOPED_TRACE(std::string("PosX=") + c.posX + " PosY=" + c.posY + " bArc=" + c.bArc +
                 " bMSIE=" + c.bMSIE);
    EXPECT_EQ(fresh.place, c.place);
    EXPECT_EQ(fresh.archive, c.archive);
    EXPECT_EQ(fresh.fix, c.fix);
  }
}

TEST_F(WindowLogicTest, CommandLineJobsCarryTheRestoredBoxesAndArmTheClosing) {
  Write(ini, "bArc", "0");
  Write(ini, "bMSIE", "1");
  logic.Open(CommandLine(2).c_str());
  ASSERT_EQ(worker.posted.size(), 2u);
  for (const auto& request : worker.posted) {
    EXPECT_EQ(request->archive, 0);
    EXPECT_EQ(request->fix, 1);
  }
  EXPECT_EQ(std::string(worker.posted[0]->path), folder.Path("page0.htm"));
  EXPECT_EQ(worker.holds, 0) << "the worker must be let go after the command line";
  EXPECT_EQ(logic.intake().PendingJobs(), 2);
  EXPECT_NE(logic.intake().AutoClose(), 0);
}

TEST_F(WindowLogicTest, SuccessfulCommandLineRunShowsIdleCaptionAndClosesAfterLastResult) {
  logic.Open(CommandLine(2).c_str());
  logic.OnResult(Result(0, "page0.htm"));
  EXPECT_EQ(view.caption, "template caption") << "a job is still pending";
  EXPECT_EQ(view.closes, 0);
  logic.OnResult(Result(0, "page1.htm"));
  EXPECT_EQ(view.log, (std::vector<std::string>{"page0.htm [Ok]", "page1.htm [Ok]"}));
  EXPECT_EQ(view.caption, app::kIdleCaption);
  EXPECT_EQ(view.closes, 1);
}

TEST_F(WindowLogicTest, AnyUnsuccessfulResultKeepsTheWindowOpen) {
  struct Case {
    int32_t status;
    const char* line;
  };
  const Case cases[] = {
      {2, "page0.htm [Ошибка: 2]"},
      {-1, "Настройте параметры архиватора в ini файле"},
      {-2, "Отсутствуют заданные действия"},
      {-7, "page0.htm [Ошибка: -7]"},
  };
  for (const Case& c : cases) {
    FakeView fresh;
    FakeWorker queue;
    WindowLogic window(fresh, queue, ini);
    window.Open(CommandLine(2).c_str());
    window.OnResult(Result(c.status, "page0.htm"));
    window.OnResult(Result(0, "page1.htm"));
    SCOPED_TRACE(c.status);
    EXPECT_EQ(fresh.log, (std::vector<std::string>{c.line, "page1.htm [Ok]"}));
    EXPECT_EQ(fresh.caption, app::kIdleCaption);
    EXPECT_EQ(fresh.closes, 0);
  }
}

TEST_F(WindowLogicTest, IgnoredOrEmptyCommandLineNeverClosesTheWindow) {
  for (const char* arguments : {"", "/dde", "/DDE", "   "}) {
    FakeView fresh;
    FakeWorker queue;
    WindowLogic window(fresh, queue, ini);
    window.Open(arguments);
    EXPECT_TRUE(queue.posted.empty()) << arguments;
    window.OnDrop({folder.Path("dropped.htm")});
    window.OnResult(Result(0, "dropped.htm"));
    EXPECT_EQ(fresh.caption, app::kIdleCaption) << arguments;
    EXPECT_EQ(fresh.closes, 0) << arguments;
  }
}

TEST_F(WindowLogicTest, DropEmptiesLogAndQueuesBehindJobsStillPending) {
  logic.Open(CommandLine(2).c_str());
  logic.OnResult(Result(0, "page0.htm"));
  ASSERT_EQ(view.log.size(), 1u);

  view.archive = false;  // the user unchecks a box before dropping
  logic.OnDrop({folder.Path("a.htm"), folder.Path("b.html"), folder.Path("notes.txt")});
  EXPECT_TRUE(view.log.empty());
  ASSERT_EQ(worker.posted.size(), 4u);
  EXPECT_EQ(std::string(worker.posted[2]->path), folder.Path("a.htm"));
  EXPECT_EQ(std::string(worker.posted[3]->path), folder.Path("b.html"));
  EXPECT_EQ(worker.posted[3]->archive, 0);
  EXPECT_EQ(worker.posted[0]->archive, 1) << "earlier requests keep the boxes they were made with";
  EXPECT_EQ(logic.intake().PendingJobs(), 3);

  // The earlier job's result lands in the new log; the command line's
  // closing still waits for every job, dropped ones included.
  logic.OnResult(Result(0, "page1.htm"));
  logic.OnResult(Result(0, "a.htm"));
  EXPECT_EQ(view.closes, 0);
  EXPECT_EQ(view.caption, "template caption");
  logic.OnResult(Result(0, "b.htm"));
  EXPECT_EQ(view.log, (std::vector<std::string>{"page1.htm [Ok]", "a.htm [Ok]", "b.htm [Ok]"}));
  EXPECT_EQ(view.closes, 1);
}

TEST_F(WindowLogicTest, ClosingStoresPlaceUnlessBeyondTheScreenAndAlwaysTheBoxes) {
  struct Case {
    ClosingPlace place;
    const char *posX, *posY;
  };
  const Case cases[] = {
      {{130, 45, 1024, 768}, "130", "45"},
      {{-32000, -32000, 1024, 768}, "0", "0"},  // minimised
      {{-8, 300, 1024, 768}, "0", "300"},
      {{1024, 10, 1024, 768}, "11", "22"},  // left edge at the screen's width
      {{10, 900, 1024, 768}, "11", "22"},
      {{1023, 767, 1024, 768}, "1023", "767"},
  };
  for (const Case& c : cases) {
    Write(ini, "PosX", "11");
    Write(ini, "PosY", "22");
    view.archive = !view.archive;
    view.fix = !view.archive;
    logic.OnClose(c.place);
    SCOPED_TRACE(std::to_string(c.place.left) + "," + std::to_string(c.place.top));
    EXPECT_EQ(Read(ini, "PosX"), c.posX);
    EXPECT_EQ(Read(ini, "PosY"), c.posY);
    EXPECT_EQ(Read(ini, "bArc"), view.archive ? "1" : "0");
    EXPECT_EQ(Read(ini, "bMSIE"), view.fix ? "1" : "0");
  }
}

TEST_F(WindowLogicTest, FirstClosingCreatesTheSettingsFileWithTheFourKeys) {
  logic.Open("");
  logic.OnClose({2, 2, 800, 600});
  EXPECT_EQ(Read(ini, "PosX"), "2");
  EXPECT_EQ(Read(ini, "PosY"), "2");
  EXPECT_EQ(Read(ini, "bArc"), "1");
  EXPECT_EQ(Read(ini, "bMSIE"), "1");
}

TEST(SkipProgramName, LeavesTheArgumentTextWithoutLeadingBlanksOrTabs) {
  struct Case {
    const char *commandLine, *arguments;
  };
  const Case cases[] = {
      {"Velkor.exe", ""},
      {"Velkor.exe a.htm", "a.htm"},
      {"Velkor.exe \t  a.htm  b.htm ", "a.htm  b.htm "},
      {"\"C:\\Program Files\\Velkor\\Velkor.exe\" \"D:\\My Pages\\a b.html\"",
       "\"D:\\My Pages\\a b.html\""},
      {"\"C:\\Velkor.exe\"D:\\x.htm", "D:\\x.htm"},
      {"\"C:\\never closed a.htm", ""},
      {"C:\\Velkor.exe\t/dde", "/dde"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(app::SkipProgramName(c.commandLine), c.arguments) << c.commandLine;
}

}  // namespace
