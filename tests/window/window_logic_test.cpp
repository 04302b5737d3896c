#include "app/window_logic.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/settings_file.h"
#include "tests/support/fixtures.h"

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
  bool LogShowsLastLine() const override { return true; }
  void ShowLastLogLine() override {}
  void SetCaption(const char* text) override { caption = text; }
  void Close() override { ++closes; }
  bool Post(std::unique_ptr<job::JobRequest> request) override {
    EXPECT_GT(holds, 0) << "a request was posted while the worker was not held";
    posted.push_back(std::move(request));
    return true;
  }
  void Hold() override { ++holds; }
  void Release() override { --holds; }

  // The opposite of what the tests' settings restore, so that a box left unset shows.
  bool archive = true, fix = false;
  std::pair<int, int> place;
  Lines log;
  std::string caption = "template caption";
  int closes = 0, holds = 0;
  std::vector<std::unique_ptr<job::JobRequest>> posted;
};

std::unique_ptr<job::JobResult> Result(const job::JobResult& result) {
  return std::make_unique<job::JobResult>(result);
}

TEST(WindowLogic, CommandLineRunClosesOnlyWhenEveryJobSucceededDroppedOnesIncluded) {
  testsupport::TempFolder folder;
  const std::string ini = folder.Write("velkor.ini", "[Options]\nPosX=-5\nPosY=40\nbArc=0\n");
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
    logic.Open("page0.htm \"page1.htm\"");  // pages need not exist to be queued
    EXPECT_EQ(window.place, std::make_pair(2, 40)) << "a negative coordinate counts as 2";
    ASSERT_EQ(window.posted.size(), 2u);
    EXPECT_EQ(window.posted[1]->archive, 0) << "a job lacks the restored box";
    EXPECT_EQ(window.posted[1]->fix, 1) << "an absent key counts as checked";
    logic.OnResult(Result({status, "page0.htm"}));
    EXPECT_EQ(window.log, Lines{line});

    // A drop while page1 is pending, queued behind it with the boxes as they are now.
    window.fix = false;
    logic.OnDrop({"dropped.htm"});
    EXPECT_TRUE(window.log.empty());
    ASSERT_EQ(window.posted.size(), 3u);
    EXPECT_EQ(window.posted[2]->fix, 0);
    EXPECT_EQ(logic.intake().PendingJobs(), 2);
    logic.OnResult(Result({0, "page1.htm"}));
    EXPECT_EQ(window.caption, "template caption") << "a job is still pending";
    EXPECT_EQ(window.closes, 0);
    logic.OnResult(Result({0, "dropped.htm"}));
    EXPECT_EQ(window.log, (Lines{"page1.htm [Ok]", "dropped.htm [Ok]"}));
    EXPECT_EQ(window.caption, app::kIdleCaption);
    EXPECT_EQ(window.closes, status == 0 ? 1 : 0);
  }
}

TEST(WindowLogic, AnEntryTheIntakeRefusesGetsItsLineAndKeepsTheWindowOpen) {
  FakeWindow window;
  app::WindowLogic logic(window, window, {});
  const std::string tooLong = std::string(1100, 'x') + ".htm";
  logic.Open(("page.htm " + tooLong).c_str());
  ASSERT_EQ(window.posted.size(), 1u);
  ASSERT_EQ(window.log.size(), 1u);
  EXPECT_TRUE(window.log[0].ends_with("x.htm [Пропущено: слишком длинный путь]")) << window.log[0];
  // A name holding a line break stays on its line, the break shown.
  logic.OnResult(Result({0, "page\n.htm"}));
  EXPECT_EQ(window.log.back(), "'page'$'\\n''.htm' [Ok]");
  EXPECT_EQ(window.caption, app::kIdleCaption);
  EXPECT_EQ(window.closes, 0) << "the window closed itself after a refused entry";
  // A dropped item the front end cannot take as a path.
  logic.OnDrop({"dropped.htm"}, {{"https://x.invalid/7.htm", job::STATUS_NOT_LOCAL_FILE}});
  EXPECT_EQ(window.log, Lines{"https://x.invalid/7.htm [Пропущено: не локальный файл]"});
  EXPECT_EQ(window.posted.size(), 2u);
}

TEST(WindowLogic, ClosingStoresPlaceUnlessBeyondTheScreenAndAlwaysTheBoxesOrSaysItCouldNot) {
  const std::tuple<app::ClosingPlace, const char*, const char*> cases[] = {
      {{-32000, -32000, 1024, 768}, "0", "0"},  // minimised
      {{-8, 300, 1024, 768}, "0", "300"},
      {{1024, 10, 1024, 768}, "11", "22"},  // left edge at the screen's width
      {{10, 900, 1024, 768}, "11", "22"},
      {{10, 768, 1024, 768}, "11", "22"},  // top edge at the screen's height
      {{1023, 767, 1024, 768}, "1023", "767"},
  };
  testsupport::TempFolder folder;
  const std::string ini = folder.Write("velkor.ini", "[Options]\nPosX=0\nbArc=0\n");
  FakeWindow window;
  app::WindowLogic logic(window, window, ini);
  // A stored zero is a place; a missing key gives 2, as a negative one does.
  logic.Open("");
  EXPECT_EQ(window.place, std::make_pair(0, 2));
  EXPECT_FALSE(window.archive);
  EXPECT_TRUE(window.fix);
  for (const auto& [place, posX, posY] : cases) {
    folder.Write("velkor.ini", "[Options]\nPosX=11\nPosY=22\n");
    window.archive = !window.archive;
    window.fix = !window.archive;
    EXPECT_TRUE(logic.OnClose(place));
    EXPECT_EQ(testsupport::StoredWindowKeys(ini),
              (Lines{posX, posY, window.archive ? "1" : "0", window.fix ? "1" : "0"}))
        << place.left << "," << place.top;
  }
  std::filesystem::remove(ini);
  std::filesystem::create_directory(ini);  // no file can be written there
  EXPECT_FALSE(logic.OnClose({70, 80, 1024, 768}));
  // Nor read: the log says so when the window opens, and again after each drop empties it.
  FakeWindow refused;
  app::WindowLogic unread(refused, refused, ini);
  unread.Open("");
  const Lines said{"Файл настроек не прочитан (не обычный файл), действуют значения по умолчанию: " +
                   ini};
  EXPECT_EQ(refused.log, said);
  unread.OnDrop({});
  EXPECT_EQ(refused.log, said);
}

// The system's settings lie beneath the user's: each key comes from the first file that gives
// it a value (an empty one gives none), and only the user's file is ever written.
TEST(WindowLogic, SystemSettingsLieBeneathTheUsersKeyByKeyAndOnlyTheUsersFileIsWritten) {
  testsupport::TempFolder folder;
  const std::string system =
      "[Options]\nPosX=99\nPosY=40\nbArc=0\nArc=/opt/sys/arc\nCom=sys %s\nSync=0\n";
  const app::SettingsFiles files(
      folder.Write("user.ini", "[Options]\nPosX=30\nbArc=\nCom=user %s\n"),
      {folder.Write("system.ini", system), folder.Path("absent.ini"),
       folder.Write("last.ini", "[Options]\nbMSIE=0\nArc=/opt/last\nHidden=0\n")});
  const job::JobSettings job = app::ReadJobSettings(files);
  EXPECT_EQ(job.archiver.program, "/opt/sys/arc");
  EXPECT_EQ(job.archiver.format, "user %s");
  EXPECT_EQ(job.archiver.hidden, 0);
  EXPECT_FALSE(job.sync);
  EXPECT_EQ(app::SettingSource(files, "Arc"), folder.Path("system.ini"));
  EXPECT_EQ(app::DescribeSettingsFiles(files),
            files.user + ", " + folder.Path("system.ini") + ", " + folder.Path("last.ini"));

  FakeWindow window;
  app::WindowLogic logic(window, window, files);
  logic.Open("");
  EXPECT_EQ(window.place, std::make_pair(30, 40));
  EXPECT_FALSE(window.archive);
  EXPECT_FALSE(window.fix);
  EXPECT_TRUE(logic.OnClose({50, 60, 1024, 768}));
  EXPECT_EQ(testsupport::ReadFile(folder.Path("system.ini")), system);
  EXPECT_EQ(platform::Settings().ReadString(files.user.c_str(), "Options", "PosX", "", 260), "50");
}

}  // namespace
