// Velkor.exe end to end, as a user meets it: started with a command line or
// none, its settings file beside it, the archiver stand-in as its archiver.
// The window is found and read from this process, as another program sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "platform/settings_file.h"
#include "platform/utf16.h"
#include "res/resource.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/current_samples.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using WideLines = std::vector<std::wstring>;

constexpr DWORD kWaitMs = 90000;
const wchar_t* const kIdleCaption = L"Перетащите каталог в окно";

// A dialog window with that caption, once there is one; null if none comes
// within kWaitMs.
HWND Window(const wchar_t* caption) {
  for (const ULONGLONG end = GetTickCount64() + kWaitMs; GetTickCount64() < end; Sleep(50)) {
    if (const HWND found = FindWindowW(L"#32770", caption)) return found;
  }
  return nullptr;
}

// The lines of the window's log list, top to bottom. Read as UTF-16: Wine
// hands another process the ANSI form of a list's text unconverted.
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
  ~VelkorWindow() override {
    TerminateProcess(velkor.hProcess, 99);
    WaitForSingleObject(velkor.hProcess, kWaitMs);
    CloseHandle(velkor.hThread);
    CloseHandle(velkor.hProcess);
  }

  // Starts a copy of the program `exe` beside the settings file, its command line in UTF-16
  // as the shell gives it.
  void Start(const char* exe, const std::string& arguments) {
    const std::string copy = folder.Path(fs::path(exe).filename().string());
    fs::copy_file(exe, copy);
    std::u16string commandLine;
    ASSERT_TRUE(platform::Utf8ToUtf16("\"" + copy + "\" " + arguments, commandLine));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(testsupport::PathOf(copy).c_str(),
                               reinterpret_cast<wchar_t*>(commandLine.data()), nullptr, nullptr,
                               FALSE, 0, nullptr, nullptr, &startup, &velkor));
  }

  // The exit code once the program has ended within `waitMs`, else STILL_ACTIVE.
  DWORD ExitCode(DWORD waitMs = kWaitMs) const {
    DWORD code = STILL_ACTIVE;
    WaitForSingleObject(velkor.hProcess, waitMs);
    GetExitCodeProcess(velkor.hProcess, &code);
    return code;
  }

  // The settings file: the archiver stand-in ending with `exitCode` and
  // writing its report beside the archive it would make; then `windowKeys`.
  void WriteSettings(int exitCode, const std::string& windowKeys) const {
    folder.Write("velkor.ini", "[Options]\r\nArc=" + testsupport::ArchiverStandinPath() +
                                   "\r\nCom=" + std::to_string(exitCode) +
                                   " \"%s.report\" \"%s\" \"%s\"\r\nHidden=1\r\n" + windowKeys);
  }

  // Copies a sample page (UTF-8, under samples/) and its "_files" folder into the folder
  // `into`; the copy's name for a command line.
  std::string CopySample(const std::string& page, const std::string& into = "") const {
    const std::string stem = page.substr(0, page.rfind('.'));
    const std::string name = page.substr(page.find_last_of('/') + 1);
    const std::string to = folder.Path(into.empty() ? name : into + "/" + name);
    fs::create_directories(testsupport::PathOf(to).parent_path());
    fs::copy_file(testsupport::PathOf(VELKOR_SAMPLES_DIR "/" + page), testsupport::PathOf(to));
    fs::copy(testsupport::PathOf(VELKOR_SAMPLES_DIR "/" + stem + "_files"),
             testsupport::PathOf(to.substr(0, to.rfind('.')) + "_files"),
             fs::copy_options::recursive);
    return "\"" + to + "\" ";
  }

  // Each sample page (under samples/`from`) cleaned in `in` to its expected form, and archived
  // by the stand-in under the archive's name, with the page and its folder.
  void ExpectArchived(std::span<const testsupport::ArchivedSample> samples,
                      const std::string& from = "", const std::string& in = "") const {
    for (const testsupport::ArchivedSample& sample : samples) {
      const std::string name = sample.page, stem = name.substr(0, name.rfind('.'));
      const std::string page = folder.Path(in + stem + ".htm");
      EXPECT_EQ(testsupport::ReadFile(page),
                testsupport::ReadFile(VELKOR_SAMPLES_DIR "/" + from + "expected/" + stem + ".htm"))
          << name;
      const std::string report = folder.Path(in + sample.archive + ".report");
      EXPECT_EQ(testsupport::ReportValues(testsupport::ReadFile(report), "arg"),
                (Lines{"0", report, page, folder.Path(in + stem + "_files")}))
          << sample.archive;
    }
  }

  // The values of PosX, PosY, bArc and bMSIE in the settings file.
  Lines StoredKeys() const {
    Lines values;
    for (const char* key : {"PosX", "PosY", "bArc", "bMSIE"}) {
      values.push_back(platform::Settings().ReadString(folder.Path("velkor.ini").c_str(), "Options",
                                                   key, "<absent>", 260));
    }
    return values;
  }

  testsupport::TempFolder folder;
  PROCESS_INFORMATION velkor{};
};

TEST_F(VelkorWindow, CommandLineRunCleansArchivesClosesItselfAndStoresSettings) {
  WriteSettings(0, "");
  Start(VELKOR_PROGRAM, CopySample("Frost Wind.htm") + CopySample("Lantern Road.html"));
  ASSERT_EQ(ExitCode(), 0u) << "the window did not close itself after a successful run";
  EXPECT_FALSE(fs::exists(folder.Path("Lantern Road.html"))) << "the page kept its old extension";
  // Each page cleaned; the archiver called with the archive named after its title (Lantern
  // Road's type in UTF-8, as on Linux), the page and its folder.
  const testsupport::ArchivedSample shipped[] = {
      {"Frost Wind.htm", "Itetsuku Kaze [Frost Wind][OVA]"},
      {"Lantern Road.html", "Lantern Road [ТВ-сериал]"}};
  ExpectArchived(shipped);
  EXPECT_EQ(StoredKeys(), (Lines{"2", "2", "1", "1"}));
}

// The names a user of today gives pages (a macron, Japanese, Cyrillic, plain ASCII), with
// links a current browser wrote, named on the command line, as a folder, or dropped.
const auto kTodaysPages = std::span(testsupport::kCurrentSamples).first(4);

std::string Current(const char* page) { return std::string("current/") + page; }

TEST_F(VelkorWindow, PagesOfEveryNameNamedOnTheCommandLineOrInAFolderComeOutArchived) {
  WriteSettings(0, "");
  std::string commandLine = "\"" + folder.Path("pages") + "\" ";
  for (const auto& sample : kTodaysPages) {
    commandLine += CopySample(Current(sample.page));
    CopySample(Current(sample.page), "pages");
  }
  Start(VELKOR_PROGRAM, commandLine);
  ASSERT_EQ(ExitCode(), 0u) << "the window did not close itself after a successful run";
  ExpectArchived(kTodaysPages, "current/");
  ExpectArchived(kTodaysPages, "current/", "pages/");
}

TEST_F(VelkorWindow, PagesOfEveryNameDroppedAreLoggedByTheirNamesAndArchivedUnderTheirTitles) {
  WriteSettings(0, "");
  std::u16string dropped;
  WideLines logged;
  for (const auto& sample : kTodaysPages) {
    const std::string copy = CopySample(Current(sample.page));
    std::u16string path;
    ASSERT_TRUE(platform::Utf8ToUtf16(copy.substr(1, copy.size() - 3), path));
    dropped += (dropped.empty() ? u"" : u"|") + path;
    const std::string page = sample.page;
    std::u16string line;
    ASSERT_TRUE(platform::Utf8ToUtf16(page.substr(0, page.rfind('.')) + ".htm [Ok]", line));
    logged.emplace_back(line.begin(), line.end());
  }
  SetEnvironmentVariableW(L"VELKOR_TEST_DROP_FIRST",
                          reinterpret_cast<const wchar_t*>(dropped.c_str()));
  SetEnvironmentVariableW(L"VELKOR_TEST_DROP_SECOND", nullptr);
  Start(VELKOR_DROP_PROGRAM, "");
  const HWND window = Window(kIdleCaption);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LogLines(window), logged);
  ExpectArchived(kTodaysPages, "current/");
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
}

TEST_F(VelkorWindow, FailingArchiverKeepsWindowOpenAndAPlaceBeyondTheScreenIsNotStored) {
  WriteSettings(3, "PosX=40\r\nPosY=30\r\n");
  Start(VELKOR_PROGRAM, CopySample("Frost Wind.htm") + CopySample("Quiet Valley.htm"));
  const HWND window = Window(kIdleCaption);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LogLines(window),
            (WideLines{L"Frost Wind.htm [Ошибка: 3]", L"Quiet Valley.htm [Ошибка: 3]"}));
  EXPECT_EQ(ExitCode(1000), STILL_ACTIVE) << "the window closed itself after a failed job";

  // Moved with its left edge at the screen's width, it would reopen out of sight.
  const int beyond = GetSystemMetrics(SM_CXMAXIMIZED);
  ASSERT_TRUE(SetWindowPos(window, nullptr, beyond, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  PostMessageW(window, WM_KEYDOWN, VK_RETURN, 1);
  ASSERT_EQ(ExitCode(), 0u) << "Enter did not close the window";
  EXPECT_EQ(StoredKeys(), (Lines{"40", "30", "1", "1"}));
}

TEST_F(VelkorWindow, FolderWildcardWithBothBoxesUncheckedLogsHintsAndStaysOpenUntilEsc) {
  WriteSettings(0, "bArc=0\r\nbMSIE=0\r\n");
  CopySample("Frost Wind.htm");
  CopySample("Quiet Valley.htm");
  for (int page = 0; page < 20; ++page) folder.Write("more " + std::to_string(page) + ".htm", "x");
  // A wildcard matching everything stands for its folder: all its pages.
  Start(VELKOR_PROGRAM, "\"" + folder.Path("*") + "\"");
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
  EXPECT_EQ(ExitCode(1000), STILL_ACTIVE) << "the window closed itself without actions";
  PostMessageW(window, WM_KEYDOWN, VK_ESCAPE, 1);
  ASSERT_EQ(ExitCode(), 0u) << "Esc did not close the window";
  EXPECT_EQ(StoredKeys(), (Lines{"2", "2", "0", "0"}));
}

TEST_F(VelkorWindow, WithoutSettingsOpensAtTwoTwoBothCheckedIgnoresDdeAndShowsAbout) {
  const wchar_t* const templateCaption = L"Страницы, сохранённые с Hoshikage";
  Start(VELKOR_PROGRAM, "/DDE");
  const HWND window = Window(templateCaption);
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  const HWND about = Window(L"О программе");
  ASSERT_NE(about, nullptr) << "the system menu's About command opened no About box";
  EXPECT_EQ(Window(templateCaption), window) << "/dde made a job";
  // Handled in turn: an About box that OK does not end keeps the program running.
  PostMessageW(about, WM_COMMAND, IDOK, 0);
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(ExitCode(), 0u) << "the About box or the window did not close";
  EXPECT_EQ(StoredKeys(), (Lines{"2", "2", "1", "1"}));
}

TEST_F(VelkorWindow, DropWhileJobsRunEmptiesLogQueuesBehindAndLogsEveryResult) {
  WriteSettings(0, "bArc=0\r\n");
  for (const char* name : {"a.htm", "b.htm", "dropped\\p.htm"}) folder.Write(name, "x");
  // The injector drops the first list as the window shows, the second at the first result.
  SetEnvironmentVariableA("VELKOR_TEST_DROP_FIRST",
                          (folder.Path("a.htm") + "|" + folder.Path("b.htm")).c_str());
  SetEnvironmentVariableA("VELKOR_TEST_DROP_SECOND", folder.Path("dropped").c_str());
  Start(VELKOR_DROP_PROGRAM, "");
  const HWND window = Window(kIdleCaption);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LogLines(window), (WideLines{L"b.htm [Ok]", L"p.htm [Ok]"}));
}

}  // namespace
