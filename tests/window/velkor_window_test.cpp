// Velkor.exe end to end, as a user meets it: started with a command line or
// none, its settings file beside it, the archiver stand-in as its archiver.
// The window is read from this process, as another program sees it.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/archiver_standin.h"
#include "tests/support/temp_folder.h"
#include "tests/window/inspector.h"

namespace {

namespace fs = std::filesystem;

constexpr DWORD kWaitMs = 90000;
constexpr const char* kTemplateCaption = "Страницы, сохранённые с AnimeBase";
constexpr const char* kIdleCaption = "Перетащите каталог в окно";

// A path of the build (a host path under Wine) as the programs name it.
std::string HostPath(std::string path) {
  if (!path.empty() && path[0] == '/') {
    std::replace(path.begin(), path.end(), '/', '\\');
    path = "Z:" + path;
  }
  return path;
}

const fs::path kSamples = HostPath(VELKOR_SAMPLES_DIR);

std::string Setting(const std::string& ini, const char* key) {
  char value[260];
  GetPrivateProfileStringA("Options", key, "<absent>", value, sizeof value, ini.c_str());
  return value;
}

// Waits until the window shows the caption of a window with no job pending;
// false when it never does.
bool WaitUntilIdle(HWND window) {
  return inspector::WaitFor([&] { return inspector::Caption(window) == kIdleCaption; }, kWaitMs);
}

class Program {
 public:
  Program(const std::string& exe, const std::string& arguments) {
    std::string commandLine = "\"" + exe + "\" " + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != 0;
  }
  ~Program() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
      TerminateProcess(process_.hProcess, 99);
      WaitForSingleObject(process_.hProcess, kWaitMs);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  bool started() const { return started_; }
  DWORD id() const { return process_.dwProcessId; }
  HWND Window(const char* caption = nullptr) const {
    return started_ ? inspector::FindDialog(id(), caption, kWaitMs) : nullptr;
  }
  bool Ended(DWORD waitMs = kWaitMs) const {
    return WaitForSingleObject(process_.hProcess, waitMs) == WAIT_OBJECT_0;
  }
  DWORD ExitCode() const {
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return code;
  }

 private:
  PROCESS_INFORMATION process_{};
  bool started_ = false;
};

class VelkorWindow : public ::testing::Test {
 protected:
  VelkorWindow() {
    fs::copy_file(HostPath(VELKOR_PROGRAM), program);
    fs::create_directories(pages);
  }

  // The settings file: the archiver stand-in ending with `exitCode`, writing
  // its report beside the archive it would make; then `windowKeys`.
  void WriteSettings(int exitCode, const std::string& windowKeys = "") const {
    folder.Write("velkor.ini", "[Options]\r\nArc=" + testsupport::ArchiverStandinPath() +
                                   "\r\nCom=" + std::to_string(exitCode) +
                                   " \"%s.report\" \"%s\" \"%s\"\r\nHidden=1\r\n" + windowKeys);
  }

  // A sample page and its "_files" folder copied into the pages folder; the
  // page's path there.
  std::string CopySample(const std::string& file) const {
    const std::string stem = fs::path(file).stem().string();
    fs::copy_file(kSamples / file, fs::path(pages) / file);
    fs::copy(kSamples / (stem + "_files"), fs::path(pages) / (stem + "_files"),
             fs::copy_options::recursive);
    return Page(file);
  }

  std::string Page(const std::string& name) const { return pages + "\\" + name; }

  std::string Expected(const std::string& stem) const {
    return testsupport::ReadFile((kSamples / "expected" / (stem + ".htm")).string());
  }

  // The names of the stand-in's reports in the pages folder, in the ANSI
  // code page the program named them in.
  std::vector<std::string> Reports() const {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    const HANDLE search = FindFirstFileA(Page("*.report").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
      names.push_back(entry.cFileName);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
  }

  testsupport::TempFolder folder;
  std::string program = folder.Path("Velkor.exe");
  std::string ini = folder.Path("velkor.ini");
  std::string pages = folder.Path("pages");
};

TEST_F(VelkorWindow, CommandLineRunCleansArchivesClosesItselfAndStoresSettings) {
  WriteSettings(0);
  const std::string frost = CopySample("Frost Wind.htm");
  const std::string lantern = CopySample("Lantern Road.html");

  Program velkor(program, "\"" + frost + "\" \"" + lantern + "\"");
  ASSERT_TRUE(velkor.started());
  ASSERT_TRUE(velkor.Ended()) << "the window did not close itself after a successful run";
  EXPECT_EQ(velkor.ExitCode(), 0u);

  EXPECT_EQ(testsupport::ReadFile(frost), Expected("Frost Wind"));
  EXPECT_FALSE(fs::exists(lantern)) << "Lantern Road.html keeps its old extension";
  EXPECT_EQ(testsupport::ReadFile(Page("Lantern Road.htm")), Expected("Lantern Road"));
  EXPECT_FALSE(fs::exists(Page("Frost Wind_files\\jquery.js"))) << "scripts are deleted";

  // The archiver got the archive name built from the title, the page and its folder.
  const std::string frostReport = Page("Itetsuku Kaze [Frost Wind][OVA].report");
  EXPECT_EQ(testsupport::ReportValues(testsupport::ReadFile(frostReport), "arg"),
            (std::vector<std::string>{"0", frostReport, frost, Page("Frost Wind_files")}));
  const std::vector<std::string> reports = Reports();
  ASSERT_EQ(reports.size(), 2u);
  const std::string lanternReport = Page(reports[1]);
  EXPECT_EQ(reports[1].rfind("Lantern Road [", 0), 0u) << reports[1];
  EXPECT_EQ(testsupport::ReportValues(testsupport::ReadFile(lanternReport), "arg"),
            (std::vector<std::string>{"0", lanternReport, Page("Lantern Road.htm"),
                                      Page("Lantern Road_files")}));

  EXPECT_EQ(Setting(ini, "PosX"), "2");
  EXPECT_EQ(Setting(ini, "PosY"), "2");
  EXPECT_EQ(Setting(ini, "bArc"), "1");
  EXPECT_EQ(Setting(ini, "bMSIE"), "1");
}

TEST_F(VelkorWindow, FailingArchiverKeepsWindowOpenWithOneLinePerResult) {
  WriteSettings(3, "PosX=40\r\nPosY=30\r\n");
  const std::string frost = CopySample("Frost Wind.htm");
  const std::string quiet = CopySample("Quiet Valley.htm");

  Program velkor(program, "\"" + frost + "\" \"" + quiet + "\"");
  const HWND window = velkor.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntilIdle(window)) << "caption: " << inspector::Caption(window);
  EXPECT_EQ(
      inspector::LogLines(window),
      (std::vector<std::string>{"Frost Wind.htm [Ошибка: 3]", "Quiet Valley.htm [Ошибка: 3]"}));
  EXPECT_FALSE(velkor.Ended(1000)) << "the window closed itself after a failed job";
  EXPECT_EQ(Reports().size(), 2u);

  inspector::Close(window);
  ASSERT_TRUE(velkor.Ended());
  EXPECT_EQ(Setting(ini, "PosX"), "40");
  EXPECT_EQ(Setting(ini, "PosY"), "30");
  EXPECT_EQ(Setting(ini, "bArc"), "1");
  EXPECT_EQ(Setting(ini, "bMSIE"), "1");
}

TEST_F(VelkorWindow, BothBoxesUncheckedStillCleansLogsHintsAndStaysOpenUntilEnter) {
  WriteSettings(0, "bArc=0\r\nbMSIE=0\r\n");
  const std::string frost = CopySample("Frost Wind.htm");
  const std::string quiet = CopySample("Quiet Valley.htm");

  Program velkor(program, "\"" + frost + "\" \"" + quiet + "\"");
  const HWND window = velkor.Window();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(inspector::IsChecked(window, IDC_ARCHIVE));
  EXPECT_FALSE(inspector::IsChecked(window, IDC_FIX_HTML));
  ASSERT_TRUE(WaitUntilIdle(window)) << "caption: " << inspector::Caption(window);
  EXPECT_EQ(
      inspector::LogLines(window),
      (std::vector<std::string>{"Отсутствуют заданные действия", "Отсутствуют заданные действия"}));
  EXPECT_FALSE(velkor.Ended(1000)) << "the window closed itself though no action was asked for";
  EXPECT_EQ(testsupport::ReadFile(frost), Expected("Frost Wind"));
  EXPECT_TRUE(Reports().empty()) << "the archiver ran with the archive box unchecked";

  inspector::PressKey(window, VK_RETURN);
  ASSERT_TRUE(velkor.Ended()) << "Enter did not close the window";
  EXPECT_EQ(Setting(ini, "bArc"), "0");
  EXPECT_EQ(Setting(ini, "bMSIE"), "0");
}

TEST_F(VelkorWindow, WithoutSettingsOpensAtTwoTwoCheckedShowsAboutAndClosesOnEsc) {
  Program velkor(program, "");
  const HWND window = velkor.Window();
  ASSERT_NE(window, nullptr);
  RECT place;
  GetWindowRect(window, &place);
  EXPECT_EQ(place.left, 2);
  EXPECT_EQ(place.top, 2);
  EXPECT_TRUE(inspector::IsChecked(window, IDC_ARCHIVE));
  EXPECT_TRUE(inspector::IsChecked(window, IDC_FIX_HTML));
  EXPECT_EQ(inspector::Caption(window), kTemplateCaption);
  EXPECT_TRUE(inspector::LogLines(window).empty());

  const HWND about = inspector::OpenAbout(window, velkor.id(), kWaitMs);
  ASSERT_NE(about, nullptr) << "the system menu's About command opened no About box";
  EXPECT_NE(GetDlgItem(about, IDOK), nullptr);
  PostMessageA(about, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(inspector::WaitFor([&] { return !IsWindow(about); }, kWaitMs));

  inspector::PressKey(window, VK_ESCAPE);
  ASSERT_TRUE(velkor.Ended()) << "Esc did not close the window";
  EXPECT_EQ(Setting(ini, "PosX"), "2");
  EXPECT_EQ(Setting(ini, "PosY"), "2");
  EXPECT_EQ(Setting(ini, "bArc"), "1");
  EXPECT_EQ(Setting(ini, "bMSIE"), "1");
}

TEST_F(VelkorWindow, PositionBeyondScreenKeepsStoredKeysAndDdeCommandLineIsIgnored) {
  const int beyond = GetSystemMetrics(SM_CXMAXIMIZED) + 100;
  WriteSettings(0, "PosX=" + std::to_string(beyond) + "\r\nPosY=60\r\nbMSIE=0\r\n");
  Program velkor(program, "/DDE");
  const HWND window = velkor.Window();
  ASSERT_NE(window, nullptr);
  RECT place;
  GetWindowRect(window, &place);
  EXPECT_EQ(place.left, beyond) << "the stored position is not compared with the screen";
  EXPECT_TRUE(inspector::IsChecked(window, IDC_ARCHIVE));
  EXPECT_FALSE(inspector::IsChecked(window, IDC_FIX_HTML));
  EXPECT_FALSE(velkor.Ended(1000)) << "a /dde command line closed the window";
  EXPECT_EQ(inspector::Caption(window), kTemplateCaption);
  EXPECT_TRUE(inspector::LogLines(window).empty());

  inspector::Close(window);
  ASSERT_TRUE(velkor.Ended());
  EXPECT_EQ(Setting(ini, "PosX"), std::to_string(beyond));
  EXPECT_EQ(Setting(ini, "PosY"), "60");
  EXPECT_EQ(Setting(ini, "bArc"), "1");
  EXPECT_EQ(Setting(ini, "bMSIE"), "0");
}

TEST_F(VelkorWindow, DropWhileJobsRunEmptiesLogQueuesBehindAndLogsEveryResult) {
  const std::string dropProgram = folder.Path("VelkorDropTest.exe");
  fs::copy_file(HostPath(VELKOR_DROP_PROGRAM), dropProgram);
  WriteSettings(0, "bArc=0\r\nbMSIE=1\r\n");
  const std::string page = "<html><head><title>x</title></head><body>x</body></html>";
  for (const char* name : {"a.htm", "b.htm", "c.htm", "dropped\\p.htm", "dropped\\q.HTM",
                           "dropped\\r.txt", "dropped\\sub\\s.htm", "z.html"}) {
    folder.Write(std::string("pages\\") + name, page);
  }
  fs::create_directories(Page("dropped\\f.htm"));
  const std::string first = Page("a.htm") + "|" + Page("b.htm") + "|" + Page("c.htm");
  const std::string second = Page("dropped") + "|" + Page("z.html");
  SetEnvironmentVariableA("VELKOR_TEST_DROP_FIRST", first.c_str());
  SetEnvironmentVariableA("VELKOR_TEST_DROP_SECOND", second.c_str());
  Program velkor(dropProgram, "");
  SetEnvironmentVariableA("VELKOR_TEST_DROP_FIRST", nullptr);
  SetEnvironmentVariableA("VELKOR_TEST_DROP_SECOND", nullptr);

  const HWND window = velkor.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(WaitUntilIdle(window)) << "caption: " << inspector::Caption(window);
  std::vector<std::string> log = inspector::LogLines(window);
  ASSERT_EQ(log.size(), 5u) << "the first result stays in the log, or a result is missing";
  // The first drop's later results, then the second drop's, in queue order;
  // within a folder, the order of the folder search.
  EXPECT_EQ(log[0], "b.htm [Ok]");
  EXPECT_EQ(log[1], "c.htm [Ok]");
  std::sort(log.begin() + 2, log.begin() + 4);
  EXPECT_EQ(log[2], "p.htm [Ok]");
  EXPECT_EQ(log[3], "q.HTM [Ok]");
  EXPECT_EQ(log[4], "z.htm [Ok]");
  EXPECT_TRUE(fs::exists(Page("z.htm")));

  inspector::Close(window);
  ASSERT_TRUE(velkor.Ended());
}

TEST(VelkorResources, AboutEntryVersionRecordAndIconAreThere) {
  const std::string program = HostPath(VELKOR_PROGRAM);
  const HMODULE image = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(image, nullptr);
  char about[64] = {};
  LoadStringA(image, IDS_ABOUTBOX, about, sizeof about);
  EXPECT_STREQ(about, "&О программе...");

  const HRSRC group = FindResourceA(image, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14));
  ASSERT_NE(group, nullptr);
  const auto* icons = static_cast<const unsigned char*>(LockResource(LoadResource(image, group)));
  // GRPICONDIR: reserved, type, count; then 14-byte entries: width, height,
  // colour count, reserved, planes, bits per pixel, ...
  ASSERT_EQ(icons[4], 2);
  EXPECT_EQ(icons[6], 32);
  EXPECT_EQ(icons[6 + 6], 8);
  EXPECT_EQ(icons[6 + 14], 16);
  EXPECT_EQ(icons[6 + 14 + 6], 8);
  FreeLibrary(image);

  DWORD ignored = 0;
  std::vector<char> version(GetFileVersionInfoSizeA(program.c_str(), &ignored));
  ASSERT_FALSE(version.empty());
  ASSERT_TRUE(
      GetFileVersionInfoA(program.c_str(), 0, static_cast<DWORD>(version.size()), version.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00060000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00060000u);
  const std::pair<const char*, const char*> texts[] = {
      {"FileVersion", "1, 1, 6, 0"},      {"ProductVersion", "1, 1, 6, 0"},
      {"FileDescription", "Velkor"},      {"InternalName", "Velkor"},
      {"OriginalFilename", "Velkor.exe"}, {"LegalCopyright", "© Velkor developers"},
  };
  for (const auto& [key, expected] : texts) {
    char* value = nullptr;
    const std::string query = std::string("\\StringFileInfo\\041904B0\\") + key;
    ASSERT_TRUE(
        VerQueryValueA(version.data(), query.c_str(), reinterpret_cast<void**>(&value), &size))
        << key;
    EXPECT_STREQ(value, expected) << key;
  }
}

}  // namespace
