#include <QTest>
#include <string>
#include <vector>

#include "app/qt/uri_list.h"
#include "app/qt/window_options.h"
#include "tests/qt/test_classes.h"

namespace {

using Strings = std::vector<std::string>;

// The strings, their bytes beyond ASCII percent-encoded, so that a failure
// shows which bytes differ.
QString Shown(const Strings& strings) {
  QStringList shown;
  for (const std::string& s : strings) {
    shown << QString::fromLatin1(QByteArray::fromStdString(s).toPercentEncoding("/ :?#"));
  }
  return shown.join(" | ");
}

}  // namespace

void WindowTest::localFileUrlsBecomePathsByteForByteAndOthersAreRefused() {
  const std::string list =
      "# dropped from a file manager\r\n"
      "file:///home/ann/Saved%20pages/Frost%20Wind.html\r\n"
      "file://localhost/tmp/a.htm\r\n"
      "file://pc-ann/tmp/b.htm\n"                      // this machine, by its name
      "file://fileserver/share/c.htm\n"                 // another machine
      "  FILE:/tmp/%D0%9F%D0%BE%D1%81%D1%82%D0%B5%D1%80.htm  \n"  // UTF-8 name
      "file:///tmp/%C0%E1.htm\n"                        // Windows-1251 bytes, not UTF-8
      "file:///tmp/100%.htm\n"                          // a lone % stays
      "file:///tmp/x.htm?query#part\n"
      "file:///tmp/cut%00.htm\n"
      "file:relative.htm\n"
      "https://catalogue.invalid/title/7.htm\n"
      "\n";
  const qt::DroppedUris dropped = qt::ParseUriList(list, "PC-Ann");
  const Strings paths = {"/home/ann/Saved pages/Frost Wind.html", "/tmp/a.htm", "/tmp/b.htm",
                         "/tmp/Постер.htm", "/tmp/\xC0\xE1.htm", "/tmp/100%.htm", "/tmp/x.htm"};
  const Strings refused = {"file://fileserver/share/c.htm", "file:///tmp/cut%00.htm",
                           "file:relative.htm", "https://catalogue.invalid/title/7.htm"};
  QCOMPARE(Shown(dropped.paths), Shown(paths));
  QCOMPARE(Shown(dropped.refused), Shown(refused));
}

void WindowTest::windowArguments() {
  using Action = qt::WindowOptions::Action;
  const qt::WindowOptions paths =
      qt::ParseWindowArguments({"a.htm", "--ini", "x.ini", "--", "--ini"});
  QCOMPARE(paths.action, Action::Run);
  QCOMPARE(QString::fromStdString(paths.ini.value_or("<none>")), "x.ini");
  QCOMPARE(Shown(paths.paths), Shown({"a.htm", "--ini"}));
  QCOMPARE(qt::ParseWindowArguments({}).action, Action::Run);  // a window needs no path
  QCOMPARE(qt::ParseWindowArguments({"--ini"}).action, Action::UsageError);
  QCOMPARE(qt::ParseWindowArguments({"--ini="}).action, Action::UsageError);
  QCOMPARE(qt::ParseWindowArguments({"--fix", "a.htm"}).action, Action::UsageError);
  QCOMPARE(qt::ParseWindowArguments({"--bad", "--version"}).action, Action::Version);
}
