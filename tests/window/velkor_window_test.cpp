// Velkor.exe end to end, its window read from this process as another program sees it. A test
// that waits for the window to change runs the tests' build, whose hooks tell it when it did.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/utf16.h"
#include "res/resource.h"
#include "tests/support/current_samples.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using WideLines = std::vector<std::wstring>;

constexpr DWORD kWaitMs = 90000;
const wchar_t* const kIdleCaption = L"Перетащите каталог в окно";

// The lines of the window's log list, top to bottom, in UTF-16.
WideLines LogLines(HWND window) {
  WideLines lines;
  const LRESULT count = SendDlgItemMessageW(window, IDC_LOG, LB_GETCOUNT, 0, 0);
  for (WPARAM i = 0; static_cast<LRESULT>(i) < count; ++i) {
    wchar_t line[1024] = {};  // the room of a log line
    SendDlgItemMessageW(window, IDC_LOG, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
    lines.emplace_back(line);
  }
  return lines;
}

class VelkorWindow : public ::testing::Test {
 protected:
  // The tests' build drops what these name: a test that sets none must not get another's drop.
  VelkorWindow() {
    SetEnvironmentVariableA("VELKOR_TEST_WINDOW_EVENT", changedName.c_str());
    SetEnvironmentVariableA("VELKOR_TEST_DROP_FIRST", nullptr);
    SetEnvironmentVariableA("VELKOR_TEST_DROP_SECOND", nullptr);
  }
  ~VelkorWindow() override {
    TerminateProcess(velkor.hProcess, 99);
    WaitForSingleObject(velkor.hProcess, kWaitMs);
    CloseHandle(velkor.hThread);
    CloseHandle(velkor.hProcess);
    CloseHandle(changed);
  }

  // Starts a copy of `exe` beside settings that run the stand-in as `code`, with `keys` after
  // it; its command line in UTF-16 as the shell gives it.
  void Start(const char* exe, const std::string& arguments, const std::string& code = "0",
             const std::string& keys = "") {
    folder.Write("velkor.ini", testsupport::StandinSettings(code, keys));
    const std::string copy = folder.Path(fs::path(exe).filename().string());
    fs::copy_file(exe, testsupport::PathOf(copy));
    std::u16string commandLine;
    ASSERT_TRUE(platform::Utf8ToUtf16("\"" + copy + "\" " + arguments, commandLine));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(testsupport::PathOf(copy).c_str(),
                               reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, &startup, &velkor));
  }
  // A sample page copied beside the program, as a command line names it.
  std::string Page(const std::string& page) const {
    return "\"" + testsupport::CopySample(folder, page) + "\" ";
  }

  // A dialog window of that caption, looked for again whenever the tests' build tells that one
  // of its windows changed; null if none comes within kWaitMs.
  HWND Window(const wchar_t* caption) const {
    for (const ULONGLONG end = GetTickCount64() + kWaitMs;;) {
      if (const HWND found = FindWindowW(L"#32770", caption)) return found;
      const ULONGLONG now = GetTickCount64();
      const DWORD left = now < end ? static_cast<DWORD>(end - now) : 0;
      if (left == 0 || WaitForSingleObject(changed, left) != WAIT_OBJECT_0) return nullptr;
    }
  }

  // The exit code once the program has ended within kWaitMs, else STILL_ACTIVE.
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(velkor.hProcess, kWaitMs);
    GetExitCodeProcess(velkor.hProcess, &code);
    return code;
  }
  Lines StoredKeys() const { return testsupport::StoredWindowKeys(folder.Path("velkor.ini")); }

  // Each sample page (under samples/`from`) cleaned beside the program to its expected form,
  // and archived by the stand-in under the archive's name, with the page and its folder.
  void ExpectArchived(std::span<const testsupport::ArchivedSample> samples,
                      const std::string& from = "") const {
    for (const testsupport::ArchivedSample& sample : samples) {
      const std::string name = sample.page, stem = name.substr(0, name.rfind('.'));
      const std::string page = folder.Path(stem + ".htm");
      EXPECT_EQ(testsupport::ReadFile(page), testsupport::Expected(from + name)) << name;
      const std::string report = folder.Path(std::string(sample.archive) + ".report");
      EXPECT_EQ(testsupport::ReportValues(testsupport::ReadFile(report), "arg"),
                (Lines{"0", report, page, folder.Path(stem + "_files")}))
          << sample.archive;
    }
  }

  testsupport::TempFolder folder;
  PROCESS_INFORMATION velkor{};
  const std::string changedName =
      "Local\\velkor-window-changed-" + std::to_string(GetCurrentProcessId());
  const HANDLE changed = CreateEventA(nullptr, FALSE, FALSE, changedName.c_str());
};

// The names a user of today gives pages (a macron, Japanese, Cyrillic, plain ASCII), with
// links a current browser wrote, named on the command line or dropped.
const auto kTodaysPages = std::span(testsupport::kCurrentSamples).first(4);

std::string Current(const char* page) { return std::string("current/") + page; }

TEST_F(VelkorWindow, CommandLineRunOfPagesArchivesClosesItselfAndStoresSettings) {
  std::string commandLine = Page("Frost Wind.htm") + Page("Lantern Road.html");
  for (const auto& sample : kTodaysPages) commandLine += Page(Current(sample.page));
  Start(VELKOR_PROGRAM, commandLine);
  ASSERT_EQ(ExitCode(), 0u) << "the window did not close itself after a successful run";
  EXPECT_FALSE(fs::exists(folder.Path("Lantern Road.html"))) << "the page kept its old extension";
  // Each page cleaned; the archiver called with the archive named after its title (Lantern
  // Road's type in UTF-8, as on Linux), the page and its folder.
  const testsupport::ArchivedSample shipped[] = {
      {"Frost Wind.htm", "Itetsuku Kaze [Frost Wind][OVA]"},
      {"Lantern Road.html", "Lantern Road [ТВ-сериал]"}};
  ExpectArchived(shipped);
  ExpectArchived(kTodaysPages, "current/");
  EXPECT_EQ(StoredKeys(), (Lines{"2", "2", "1", "1"}));
}

// Every page fails (no actions asked for): the window stays open.
TEST_F(VelkorWindow, FolderWildcardLogsEveryPageFollowingTheNewestAndAPlaceBeyondScreenIsNotStored) {
  testsupport::CopySample(folder, "Frost Wind.htm");
  testsupport::CopySample(folder, "Quiet Valley.htm");
  for (int page = 0; page < 20; ++page) folder.Write("more " + std::to_string(page) + ".htm", "x");
  // A wildcard matching everything stands for its folder: all its pages.
  Start(VELKOR_TEST_BUILD, "\"" + folder.Path("*") + "\"", "0",
        "PosX=40\nPosY=30\nbArc=0\nbMSIE=0\n");
  const HWND window = Window(kIdleCaption);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LogLines(window), WideLines(22, L"Отсутствуют заданные действия"));
  // More lines than the list shows: it has followed the newest into view.
  const HWND log = GetDlgItem(window, IDC_LOG);
  RECT client{};
  GetClientRect(log, &client);
  const LRESULT top = SendMessageW(log, LB_GETTOPINDEX, 0, 0);
  const LRESULT rows = client.bottom / SendMessageW(log, LB_GETITEMHEIGHT, 0, 0);
  EXPECT_GT(top, 0);
  EXPECT_GE(top + rows, 22);
  // The About box, through the system menu, closed with Esc: a window that handles this,
  // posted after its last result, did not close itself at that result.
  PostMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  const HWND about = Window(L"О программе");
  ASSERT_NE(about, nullptr) << "the system menu's About command opened no About box";
  PostMessageW(about, WM_KEYDOWN, VK_ESCAPE, 1);
  // Moved with its left edge at the screen's width, it would reopen out of sight.
  const int beyond = GetSystemMetrics(SM_CXMAXIMIZED);
  ASSERT_TRUE(SetWindowPos(window, nullptr, beyond, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  PostMessageW(window, WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_EQ(ExitCode(), 0u) << "Enter did not close the window";
  EXPECT_EQ(StoredKeys(), (Lines{"40", "30", "0", "0"}));
}

// The second drop, handled while the first's first result is, holds pages of every name and a
// folder: each is logged by its name and archived under its title.
TEST_F(VelkorWindow, DropWhileJobsRunEmptiesLogQueuesBehindAndLogsAndArchivesPagesOfEveryName) {
  for (const char* name : {"a.htm", "b.htm", "dropped\\p.htm"}) folder.Write(name, "x");
  std::string second;
  WideLines logged{L"b.htm [Ok]"};
  for (const auto& sample : kTodaysPages) {
    second += testsupport::CopySample(folder, Current(sample.page)) + "|";
    const std::string page = sample.page;
    std::u16string line;
    ASSERT_TRUE(platform::Utf8ToUtf16(page.substr(0, page.rfind('.')) + ".htm [Ok]", line));
    logged.emplace_back(line.begin(), line.end());
  }
  logged.emplace_back(L"p.htm [Ok]");
  std::u16string wide;
  ASSERT_TRUE(platform::Utf8ToUtf16(second + folder.Path("dropped"), wide));
  // The hooks drop the first list as the window shows, the second at the first result.
  SetEnvironmentVariableA("VELKOR_TEST_DROP_FIRST",
                          (folder.Path("a.htm") + "|" + folder.Path("b.htm")).c_str());
  SetEnvironmentVariableW(L"VELKOR_TEST_DROP_SECOND",
                          reinterpret_cast<const wchar_t*>(wide.c_str()));
  Start(VELKOR_TEST_BUILD, "");
  const HWND window = Window(kIdleCaption);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LogLines(window), logged);
  ExpectArchived(kTodaysPages, "current/");
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  EXPECT_EQ(ExitCode(), 0u) << "Esc did not close the window";
}

}  // namespace
