// Where the settings live on Linux, and what the window and velkor-cli do with that place.
#include <unistd.h>

#include <QProcess>
#include <QTest>
#include <cstdio>
#include <optional>

#include "app/qt/page_app.h"
#include "app/settings.h"
#include "tests/qt/test_classes.h"
#include "tests/qt/test_support.h"

namespace {

using testsupport::ReadFile;
using testsupport::TempFolder;

// Sets the variable, or unsets it; init() sets the XDG ones anew for every test, cleanup() HOME.
void SetVariable(const char* name, const std::optional<std::string>& value) {
  value ? (void)qputenv(name, QByteArray::fromStdString(*value)) : (void)qunsetenv(name);
}

// What the window writes to standard error while it opens and closes.
std::string OpenAndCloseWindow(const TempFolder& folder) {
  const std::string captured = folder.Path("stderr");
  std::fflush(stderr);
  const int saved = dup(STDERR_FILENO);
  std::FILE* file = std::fopen(captured.c_str(), "wb");
  dup2(fileno(file), STDERR_FILENO);
  {
    qt::CPageApp velkor;
    if (velkor.InitInstance(qt::WindowSettingsFiles(std::nullopt), {})) {
      velkor.window()->close();
      if (velkor.window()->isVisible()) std::fputs("<still open>", stderr);
      velkor.ExitInstance();
    }
  }
  std::fflush(stderr);
  dup2(saved, STDERR_FILENO);
  close(saved);
  std::fclose(file);
  return ReadFile(captured);
}

}  // namespace

void WindowTest::placesFollowXdgConfigHomeOrHomeAndXdgConfigDirs() {
  TempFolder folder;
  SetVariable("HOME", folder.Path("home"));
  SetVariable("XDG_CONFIG_HOME", folder.Path("xdg"));
  SetVariable("XDG_CONFIG_DIRS", "relative:/opt/site/:/etc/xdg::/usr/etc");
  QCOMPARE(app::DefaultSettingsPath(), folder.Path("xdg/velkor/velkor.ini"));
  const std::vector<std::string> listed = {"/opt/site/velkor/velkor.ini",
                                           "/etc/xdg/velkor/velkor.ini",
                                           "/usr/etc/velkor/velkor.ini"};
  QCOMPARE(app::DefaultSettingsFiles().systemWide, listed);
  // Unset, empty or naming no absolute folder (which the XDG rules call invalid): the home's
  // file, and /etc/xdg's.
  for (const std::optional<std::string>& value :
       {std::optional<std::string>(), std::optional<std::string>(""),
        std::optional<std::string>("relative/xdg:")}) {
    SetVariable("XDG_CONFIG_HOME", value);
    SetVariable("XDG_CONFIG_DIRS", value);
    QCOMPARE(app::DefaultSettingsPath(), folder.Path("home/.config/velkor/velkor.ini"));
    QCOMPARE(app::DefaultSettingsFiles().systemWide,
             std::vector<std::string>{"/etc/xdg/velkor/velkor.ini"});
  }
}

// The system's settings name an archiver; the user's file, made on closing, holds the window's
// keys only: the archiver stays the system's until the user names another.
void WindowTest::firstCloseMakesAPrivateFolderWithTheWindowKeysOnlyOrSaysWhyItCannot() {
  TempFolder folder;
  SetVariable("XDG_CONFIG_HOME", folder.Path("not yet/config"));
  SetVariable("XDG_CONFIG_DIRS", folder.Path("system"));
  folder.Write("system/velkor/velkor.ini", testsupport::StandinSettings("0"));
  QCOMPARE(OpenAndCloseWindow(folder), std::string());
  const std::string settings = folder.Path("not yet/config/velkor/velkor.ini");
  QCOMPARE(qttest::StoredKeys(settings), QStringList({"2", "2", "1", "1"}));
  const std::string text = ReadFile(settings);
  QCOMPARE(std::count(text.begin(), text.end(), '='), 4);
  // Made for the user alone, as the XDG rules ask.
  const auto made = qttest::fs::status(folder.Path("not yet/config/velkor")).permissions();
  QCOMPARE(made & qttest::fs::perms::all, qttest::fs::perms::owner_all);
  // A file where the folder should be stops even root, whom permissions do not; the window
  // still closes.
  folder.Write("config/velkor", "not a folder");
  SetVariable("XDG_CONFIG_HOME", folder.Path("config"));
  QCOMPARE(OpenAndCloseWindow(folder),
           "velkor: cannot store the window's place and boxes in " +
               folder.Path("config/velkor/velkor.ini") + "\n");
}

void WindowTest::cliReadsTheUserFileAndNamesOneBesideItThatItIgnores() {
  TempFolder folder;
  SetVariable("XDG_CONFIG_HOME", folder.Path("config"));
  qttest::fs::create_directory(folder.Path("bin"));
  qttest::fs::copy_file(VELKOR_CLI, folder.Path("bin/velkor-cli"));
  const std::string beside = folder.Write("bin/velkor.ini", "[Options]\nbArc=0\nbMSIE=0\n");
  const std::string page = folder.Write("page.htm", "x");
  const auto run = [&folder, &page](QByteArray& out, QByteArray& err) {
    QProcess cli;
    cli.start(QString::fromStdString(folder.Path("bin/velkor-cli")),
              {QString::fromStdString(page)});
    QVERIFY(cli.waitForFinished(60000));
    out = cli.readAllStandardOutput();
    err = cli.readAllStandardError();
  };
  QByteArray out, err;
  // The file beside the program is not read (the defaults archive, with no archiver).
  run(out, err);
  QCOMPARE(out, "Настройте параметры архиватора в ini файле\n");
  QVERIFY2(err.contains(QByteArray::fromStdString(
               "velkor-cli: " + beside + " is not read; the settings are read from " +
               folder.Path("config/velkor/velkor.ini"))),
           err.constData());
  folder.Write("config/velkor/velkor.ini", "[Options]\nbArc=0\nbMSIE=0\n");
  run(out, err);
  QCOMPARE(out, "Отсутствуют заданные действия\n");
  QVERIFY2(!err.contains("is not read"), err.constData());
}
