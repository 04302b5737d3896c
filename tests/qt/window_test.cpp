// The window as a user meets it, in process with the real worker, offscreen.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <memory>
#include <optional>

#include "app/qt/page_app.h"
#include "app/qt/page_dlg.h"
#include "app/qt/window_sink.h"
#include "app/window_logic.h"
#include "app/window_worker.h"
#include "tests/qt/test_classes.h"
#include "tests/qt/test_support.h"

namespace {

using qttest::LogLines;
using qttest::StoredKeys;
using qttest::WaitForCaption;
using testsupport::ReadFile;

const QString kIdleCaption = QString::fromUtf8(app::kIdleCaption);

const QByteArray kHome = qgetenv("HOME");
std::unique_ptr<testsupport::TempFolder> folder;
std::unique_ptr<qt::CPageApp> velkor;

// The user's settings file, once XDG_CONFIG_HOME names the test's folder.
std::string UserSettings(const std::string& text) {
  return folder->Write("config/velkor/velkor.ini", text);
}

// Starts the program as its main does, with the user's settings file.
qt::CPageDlg* Start(const std::vector<std::string>& commandLine) {
  velkor = std::make_unique<qt::CPageApp>();
  if (!velkor->InitInstance(qt::WindowSettingsFiles(std::nullopt), commandLine)) return nullptr;
  return velkor->window();
}

// Where the window's keyboard focus is: the log list.
QWidget* FocusedControl(qt::CPageDlg& window) { return window.findChild<QWidget*>("log"); }

QByteArray FileUrl(const std::string& path) {
  return "file://" + QByteArray::fromStdString(path).toPercentEncoding("/");
}

// Drags the list over the window and drops it, offering a copy or a move (Shift held).
void Drop(QWidget& window, const QByteArray& uriList) {
  QMimeData data;
  data.setData("text/uri-list", uriList);
  const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(QPoint(20, 20), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
  enter.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(&window, &enter);
  QVERIFY2(enter.isAccepted(), "a drag of file URLs was not accepted");
  QDropEvent drop(QPointF(20, 20), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
  drop.setDropAction(Qt::MoveAction);
  QApplication::sendEvent(&window, &drop);
  // A source told that its files were moved could delete them.
  QCOMPARE(drop.dropAction(), Qt::CopyAction);
}

}  // namespace

void WindowTest::init() {
  folder = std::make_unique<testsupport::TempFolder>();
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(folder->Path("config")));
  qputenv("XDG_CONFIG_DIRS", QByteArray::fromStdString(folder->Path("system")));
}

void WindowTest::cleanup() {
  qputenv("HOME", kHome);
  if (velkor) velkor->ExitInstance();
  velkor.reset();
  folder.reset();
}

void WindowTest::commandLineRunCleansArchivesClosesItselfAndStoresKeys() {
  const std::string settings = UserSettings(testsupport::StandinSettings("0"));
  qt::CPageDlg* window = Start({testsupport::CopySample(*folder, "Frost Wind.htm"),
                                testsupport::CopySample(*folder, "Lantern Road.html")});
  QVERIFY(window != nullptr);
  QVERIFY(WaitForCaption(*window, kIdleCaption));
  // The closing is queued behind the last result.
  QCoreApplication::sendPostedEvents();
  QVERIFY2(!window->isVisible(), "the window did not close itself");
  QCOMPARE(LogLines(*window), QStringList({"Frost Wind.htm [Ok]", "Lantern Road.htm [Ok]"}));

  // Each page cleaned, then archived with its folder under its title.
  const std::pair<std::string, std::string> archives[] = {
      {"Frost Wind", "Itetsuku Kaze [Frost Wind][OVA]"},
      {"Lantern Road", "Lantern Road [ТВ-сериал]"}};
  for (const auto& [stem, archive] : archives) {
    const std::string page = folder->Path(stem + ".htm");
    const std::string report = folder->Path(archive + ".report");
    QVERIFY2(ReadFile(page) == testsupport::Expected(stem), stem.c_str());
    QCOMPARE(testsupport::ReportValues(ReadFile(report), "arg"),
             std::vector<std::string>({"0", report, page, folder->Path(stem + "_files")}));
  }
  QCOMPARE(StoredKeys(settings), QStringList({"2", "2", "1", "1"}));
  QVERIFY2(ReadFile(settings).find("Arc=" VELKOR_ARCHIVER_STANDIN) != std::string::npos,
           "the user's own keys were lost");
}

void WindowTest::restoresItsPlaceShowsAboutAndAPlaceBeyondTheScreenIsNotStored() {
  const std::string settings = UserSettings("[Options]\nPosX=40\nPosY=30\n");
  qt::CPageDlg* window = Start({});
  QVERIFY(window != nullptr);
  QCOMPARE(window->pos(), QPoint(40, 30));

  // The Help menu's only entry opens the About box; Enter ends it.
  QAction* about = window->findChild<QMenuBar*>()->actions().value(0)->menu()->actions().value(0);
  QCOMPARE(about->text(), "&О программе...");
  QString aboutCaption;
  QTimer::singleShot(0, [&aboutCaption] {
    QWidget* box = QApplication::activeModalWidget();
    if (box == nullptr) return;
    aboutCaption = box->windowTitle();
    QTest::keyClick(box, Qt::Key_Return);
  });
  about->trigger();  // returns once the box has ended
  QCOMPARE(aboutCaption, "О программе");

  // Moved with its left edge at the screen's width, it would reopen out of sight.
  window->move(QGuiApplication::primaryScreen()->availableSize().width(), 60);
  QTest::keyClick(FocusedControl(*window), Qt::Key_Return);
  QVERIFY2(!window->isVisible(), "Enter did not close the window");
  QCOMPARE(StoredKeys(settings), QStringList({"40", "30", "1", "1"}));
}

void WindowTest::dropsWhileJobsArePendingQueueBehindAndNonLocalUrlsAreRefused() {
  // Link repair only: every page is Ok without an archiver.
  const std::string settings = folder->Write("velkor.ini", "[Options]\nbArc=0\n");
  for (const char* name : {"a.htm", "b.html", "dropped pages/p.htm", "dropped pages/q.html",
                           "dropped pages/sub/no.htm", "\xC0\xE1.html"}) {
    folder->Write(name, "x");
  }
  qt::WindowSink sink;
  app::WindowWorker worker;
  QVERIFY(worker.Start(settings, sink));
  qt::CPageDlg window(worker.worker(), sink, settings);
  worker.worker().Hold();  // the command line's page stays pending through both drops
  window.Open({folder->Path("a.htm")});

  QMimeData text;
  text.setText(QString::fromStdString(folder->Path("a.htm")));
  QDragEnterEvent textEnter(QPoint(20, 20), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &textEnter);
  QVERIFY2(!textEnter.isAccepted(), "a drag without file URLs was accepted");
  QMimeData urls;
  urls.setData("text/uri-list", FileUrl(folder->Path("a.htm")));
  QDragEnterEvent moveOnly(QPoint(20, 20), Qt::MoveAction, &urls, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &moveOnly);
  QVERIFY2(!moveOnly.isAccepted(), "a drag that can only move the files was accepted");

  Drop(window, FileUrl(folder->Path("b.html")) + "\r\nhttps://catalogue.invalid/title/7.htm\r\n");
  QCOMPARE(LogLines(window),
           QStringList({"https://catalogue.invalid/title/7.htm [Пропущено: не локальный файл]"}));
  // The folder's pages, subfolders left out; a name in Windows-1251 bytes.
  Drop(window,
       FileUrl(folder->Path("dropped pages")) + "\n" + FileUrl(folder->Path("\xC0\xE1.html")));
  QVERIFY2(LogLines(window).isEmpty(), "the second drop did not empty the log");
  worker.worker().Release();

  QVERIFY(WaitForCaption(window, kIdleCaption));
  QCOMPARE(LogLines(window),
           QStringList({"a.htm [Ok]", "b.htm [Ok]", "p.htm [Ok]", "q.htm [Ok]",
                        QString::fromUtf8("\xC0\xE1.htm [Ok]")}));
  // A refused URL cancels the closing, which would be queued behind the last result.
  QCoreApplication::sendPostedEvents();
  QVERIFY2(window.isVisible(), "the window closed itself after a refused URL");
  QTest::keyClick(FocusedControl(window), Qt::Key_Escape);
  QVERIFY2(!window.isVisible(), "Esc did not close the window");
  for (const char* renamed : {"b.htm", "dropped pages/q.htm", "\xC0\xE1.htm"}) {
    QVERIFY2(qttest::fs::exists(folder->Path(renamed)), renamed);
  }
}

void WindowTest::resultsStillQueuedWhenTheWindowGoesAreFreed() {
  const std::string settings = folder->Write("velkor.ini", "[Options]\nbArc=0\n");
  qt::WindowSink sink;
  app::WindowWorker worker;
  QVERIFY(worker.Start(settings, sink));
  auto window = std::make_unique<qt::CPageDlg>(worker.worker(), sink, settings);
  window->Open({testsupport::CopySample(*folder, "Frost Wind.htm"),
                testsupport::CopySample(*folder, "Quiet Valley.htm")});
  // The worker ends once every result is queued for the window, which handles no event
  // meanwhile, and goes with them still queued (a leak shows under AddressSanitizer).
  worker.worker().Quit();
  QVERIFY(LogLines(*window).isEmpty());
  window->close();
  window.reset();
  QCOMPARE(StoredKeys(settings), QStringList({"2", "2", "0", "1"}));
}

void WindowTest::logFollowsTheNewestLineUnlessScrolledAway() {
  // A worker that only takes requests: the test delivers their results itself.
  class TakingWorker final : public job::JobPoster {
    bool Post(std::unique_ptr<job::JobRequest>) override { return true; }
    void Hold() override {}
    void Release() override {}
  } worker;
  qt::WindowSink sink;
  qt::CPageDlg window(worker, sink, std::string());
  window.Open(std::vector<std::string>(100, folder->Path("page.htm")));
  const auto* log = window.findChild<QListWidget*>("log");
  QScrollBar* bar = log->verticalScrollBar();
  const auto deliver = [&window](int count) {
    for (int i = 0; i < count; ++i) window.OnJobDone(std::make_unique<job::JobResult>());
    QCoreApplication::processEvents();
  };
  const auto newestInView = [log] {
    return log->viewport()->rect().contains(log->visualItemRect(log->item(log->count() - 1)));
  };
  deliver(30);
  QVERIFY2(bar->maximum() > 0, "30 lines fit the list: nothing to follow");
  QVERIFY2(newestInView(), "the newest line is out of view");
  bar->setValue(0);  // the user reads the first lines
  deliver(20);
  QCOMPARE(bar->value(), 0);
  bar->setValue(bar->maximum());  // and goes back to the end
  deliver(10);
  QVERIFY2(newestInView(), "the log no longer follows after a return to its end");
}

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  WindowTest test;
  return QTest::qExec(&test, argc, argv);
}
