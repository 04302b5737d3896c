// Velkor.exe end to end, as a user meets it: started with a command line or
// none, its settings file beside it, the archiver stand-in as its archiver.
// The window is found and read from this process, as another program sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;
using WideLines = std::vector<std::wstring>;
using testsupport::ReadFile;

constexpr DWORD kWaitMs = 90000;
const std::wstring kNoActions = L"Отсутствуют заданные действия";

// Waits up to kWaitMs until `done` holds; true when it did.
template <typename Condition>
bool WaitFor(Condition done) {
  for (const ULONGLONG deadline = GetTickCount64() + kWaitMs; !done(); Sleep(50)) {
    if (GetTickCount64() >= deadline) return false;
  }
  return true;
}

std::wstring Caption(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return text;
}

// The lines of the window's log list, top to bottom. Read as UTF-16: Wine
// hands another process the ANSI form of a list's text unconverted.
WideLines LogLines(HWND window) {
  const HWND list = GetDlgItem(window, IDC_LOG);
  WideLines lines(static_cast<size_t>(std::max<LRESULT>(SendMessageW(list, LB_GETCOUNT, 0, 0), 0)));
  for (WPARAM i = 0; i < lines.size(); ++i) {
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
    if (length < 0) return {};
    lines[i].resize(static_cast<size_t>(length) + 1);
    SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(lines[i].data()));
    lines[i].pop_back();
  }
  return lines;
}

// A key press sent to the control that has the focus in the window, as
// typing it would.
void PressKey(HWND window, WPARAM key) {
  GUITHREADINFO gui{};
  gui.cbSize = sizeof gui;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &gui);
  PostMessageW(gui.hwndFocus != nullptr ? gui.hwndFocus : window, WM_KEYDOWN, key, 1);
}

// A path of the build (a host path under Wine) as the programs name it.
std::string HostPath(std::string path) {
  std::replace(path.begin(), path.end(), '/', '\\');
  return path[0] == '\\' ? "Z:" + path : path;
}

const fs::path kSamples = HostPath(VELKOR_SAMPLES_DIR);

class VelkorWindow : public ::testing::Test {
 protected:
  VelkorWindow() { fs::copy_file(HostPath(VELKOR_PROGRAM), program); }
  ~VelkorWindow() override {
    if (ExitCode(0) == STILL_ACTIVE) TerminateProcess(velkor.hProcess, 99);
    WaitForSingleObject(velkor.hProcess, kWaitMs);
    CloseHandle(velkor.hThread);
    CloseHandle(velkor.hProcess);
  }

  // Starts `exe`, the one program a test runs.
  void Start(const std::string& exe, const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &velkor));
  }

  // The program's visible dialog window with that caption (any for null),
  // once it shows; null if it never does.
  HWND Window(const wchar_t* caption = nullptr) const {
    HWND found = nullptr;
    WaitFor([&] {
      while ((found = FindWindowExW(nullptr, found, L"#32770", caption)) != nullptr) {
        DWORD owner = 0;
        GetWindowThreadProcessId(found, &owner);
        if (owner != 0 && owner == velkor.dwProcessId && IsWindowVisible(found)) return true;
      }
      return false;
    });
    return found;
  }

  // The main window once no job is pending any more; null if that never comes.
  HWND IdleWindow() const {
    const HWND window = Window();
    const bool idle = WaitFor([&] { return Caption(window) == L"Перетащите каталог в окно"; });
    return idle ? window : nullptr;
  }

  // The exit code once the program has ended, waiting up to `waitMs` for it;
  // STILL_ACTIVE while it runs.
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

  // Copies a sample page and its "_files" folder beside the program and
  // names the copy for a command line.
  std::string CopySample(const std::string& stem, const std::string& extension = ".htm") const {
    fs::copy_file(kSamples / (stem + extension), folder.path() / (stem + extension));
    fs::copy(kSamples / (stem + "_files"), folder.path() / (stem + "_files"),
             fs::copy_options::recursive);
    return "\"" + folder.Path(stem + extension) + "\" ";
  }

  bool Cleaned(const std::string& stem) const {
    return ReadFile(folder.Path(stem + ".htm")) ==
           ReadFile((kSamples / "expected" / (stem + ".htm")).string());
  }

  // The window's four keys in the settings file.
  std::string StoredKeys() const {
    std::string keys;
    for (const char* key : {"PosX", "PosY", "bArc", "bMSIE"}) {
      char value[260];
      GetPrivateProfileStringA("Options", key, "<absent>", value, sizeof value,
                               folder.Path("velkor.ini").c_str());
      keys += std::string(keys.empty() ? "" : " ") + key + "=" + value;
    }
    return keys;
  }

  testsupport::TempFolder folder;
  std::string program = folder.Path("Velkor.exe");
  PROCESS_INFORMATION velkor{};
};

TEST_F(VelkorWindow, CommandLineRunCleansArchivesClosesItselfAndStoresSettings) {
  WriteSettings(0, "");
  Start(program, CopySample("Frost Wind") + CopySample("Lantern Road", ".html"));
  ASSERT_EQ(ExitCode(), 0u) << "the window did not close itself after a successful run";
  EXPECT_TRUE(Cleaned("Frost Wind"));
  EXPECT_TRUE(Cleaned("Lantern Road"));
  EXPECT_FALSE(fs::exists(folder.Path("Lantern Road.html"))) << "the page kept its old extension";

  // The archive named after the page's title (Lantern Road's by a pattern:
  // its type comes from a UTF-8 page), then the page and its folder.
  const std::pair<const char*, std::string> archives[] = {
      {"Itetsuku Kaze [Frost Wind][OVA].report", "Frost Wind"},
      {"Lantern Road [*].report", "Lantern Road"}};
  for (const auto& [pattern, stem] : archives) {
    WIN32_FIND_DATAA found{};
    FindClose(FindFirstFileA(folder.Path(pattern).c_str(), &found));
    const std::string report = folder.path().string() + "\\" + found.cFileName;
    EXPECT_EQ(testsupport::ReportValues(ReadFile(report), "arg"),
              (Lines{"0", report, folder.Path(stem + ".htm"), folder.Path(stem + "_files")}))
        << pattern;
  }
  EXPECT_EQ(StoredKeys(), "PosX=2 PosY=2 bArc=1 bMSIE=1");
}

TEST_F(VelkorWindow, FailingArchiverKeepsWindowOpenAndAPlaceBeyondTheScreenIsNotStored) {
  const std::string beyond = std::to_string(GetSystemMetrics(SM_CXMAXIMIZED) + 100);
  WriteSettings(3, "PosX=" + beyond + "\r\nPosY=30\r\n");
  Start(program, CopySample("Frost Wind") + CopySample("Quiet Valley"));
  const HWND window = IdleWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LogLines(window),
            (WideLines{L"Frost Wind.htm [Ошибка: 3]", L"Quiet Valley.htm [Ошибка: 3]"}));
  EXPECT_EQ(ExitCode(1000), STILL_ACTIVE) << "the window closed itself after a failed job";
  RECT place;
  GetWindowRect(window, &place);
  EXPECT_EQ(std::to_string(place.left), beyond) << "the stored place was moved onto the screen";

  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(ExitCode(), 0u);
  EXPECT_EQ(StoredKeys(), "PosX=" + beyond + " PosY=30 bArc=1 bMSIE=1");
}

TEST_F(VelkorWindow, BothBoxesUncheckedStillCleansLogsHintsAndStaysOpenUntilEnter) {
  WriteSettings(0, "bArc=0\r\nbMSIE=0\r\n");
  Start(program, CopySample("Frost Wind") + CopySample("Quiet Valley"));
  const HWND window = IdleWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(LogLines(window), (WideLines{kNoActions, kNoActions}));
  EXPECT_EQ(ExitCode(1000), STILL_ACTIVE) << "the window closed itself without actions";
  EXPECT_TRUE(Cleaned("Frost Wind"));

  PressKey(window, VK_RETURN);
  ASSERT_EQ(ExitCode(), 0u) << "Enter did not close the window";
  EXPECT_EQ(StoredKeys(), "PosX=2 PosY=2 bArc=0 bMSIE=0");
}

TEST_F(VelkorWindow, WithoutSettingsOpensAtTwoTwoCheckedIgnoresDdeShowsAboutAndClosesOnEsc) {
  Start(program, "/DDE");
  const HWND window = Window();
  ASSERT_NE(window, nullptr);
  RECT place;
  GetWindowRect(window, &place);
  EXPECT_EQ(std::make_pair(place.left, place.top), std::make_pair(2L, 2L));
  EXPECT_EQ(SendDlgItemMessageW(window, IDC_ARCHIVE, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendDlgItemMessageW(window, IDC_FIX_HTML, BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(ExitCode(1000), STILL_ACTIVE) << "a /dde command line closed the window";
  EXPECT_EQ(Caption(window), L"Страницы, сохранённые с AnimeBase") << "/dde made a job";

  PostMessageW(window, WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
  const HWND about = Window(L"О программе");
  ASSERT_NE(about, nullptr) << "the system menu's About command opened no About box";
  PostMessageW(about, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(about); }));

  PressKey(window, VK_ESCAPE);
  ASSERT_EQ(ExitCode(), 0u) << "Esc did not close the window";
  EXPECT_EQ(StoredKeys(), "PosX=2 PosY=2 bArc=1 bMSIE=1");
}

TEST_F(VelkorWindow, DropWhileJobsRunEmptiesLogQueuesBehindAndLogsEveryResult) {
  const std::string dropProgram = folder.Path("VelkorDropTest.exe");
  fs::copy_file(HostPath(VELKOR_DROP_PROGRAM), dropProgram);
  WriteSettings(0, "bArc=0\r\n");
  for (const char* name :
       {"a.htm", "b.htm", "c.htm", "dropped\\p.htm", "dropped\\q.HTM", "z.html"}) {
    folder.Write(name, "<html><body>x</body></html>");
  }
  const std::string dir = folder.path().string() + "\\";
  SetEnvironmentVariableA("VELKOR_TEST_DROP_FIRST",
                          (dir + "a.htm|" + dir + "b.htm|" + dir + "c.htm").c_str());
  SetEnvironmentVariableA("VELKOR_TEST_DROP_SECOND", (dir + "dropped|" + dir + "z.html").c_str());
  Start(dropProgram, "");

  const HWND window = IdleWindow();
  ASSERT_NE(window, nullptr);
  WideLines log = LogLines(window);
  ASSERT_EQ(log.size(), 5u) << "the first result stays in the log, or a result is missing";
  // The first drop's later results, then the second drop's in queue order;
  // within a folder, the order of the folder search.
  std::sort(log.begin() + 2, log.begin() + 4);
  EXPECT_EQ(log,
            (WideLines{L"b.htm [Ok]", L"c.htm [Ok]", L"p.htm [Ok]", L"q.HTM [Ok]", L"z.htm [Ok]"}));

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(ExitCode(), 0u);
}

}  // namespace
