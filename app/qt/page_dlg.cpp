#include "app/qt/page_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMetaObject>
#include <QMimeData>
#include <QScreen>
#include <QScrollBar>
#include <QSysInfo>
#include <climits>
#include <cstdio>
#include <utility>

#include "app/qt/about_dlg.h"
#include "app/qt/dialog_builder.h"
#include "app/qt/uri_list.h"
#include "app/qt/window_sink.h"
#include "res/resource.h"

namespace qt {
namespace {

constexpr const char* kUriListType = "text/uri-list";

// The program's icon at the sizes it carries (the rest come with the
// installation, for the desktop's own use).
QIcon ProgramIcon() {
  QIcon icon;
  for (const int size : {16, 32, 48, 64}) {
    icon.addFile(QString(":/icons/%1x%1/apps/velkor.png").arg(size), QSize(size, size));
  }
  return icon;
}

// Takes a drag of file URLs as a copy, whatever the user's keys propose:
// the pages are rewritten where they are, and a source told that they were
// moved here could delete them. False when the drag is not taken.
bool AcceptAsCopy(QDropEvent& event) {
  if (!event.mimeData()->hasFormat(kUriListType) ||
      !event.possibleActions().testFlag(Qt::CopyAction)) {
    event.ignore();
    return false;
  }
  event.setDropAction(Qt::CopyAction);
  event.accept();
  return true;
}

}  // namespace

CPageDlg::CPageDlg(job::JobPoster& worker, WindowSink& sink, app::SettingsFiles settings)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                           Qt::WindowCloseButtonHint),
      sink_(sink),
      userSettingsPath_(settings.user),
      logic_(*this, worker, std::move(settings)) {
  setWindowIcon(ProgramIcon());
  setAcceptDrops(true);

  // The About entry, where a Linux user looks for it. Without its text
  // there is no entry, as on Windows.
  QMenuBar* menuBar = nullptr;
  if (const QString about = QString::fromUtf8(StringResource(IDS_ABOUTBOX)); !about.isEmpty()) {
    menuBar = new QMenuBar(this);
    QMenu* help = menuBar->addMenu(QString::fromUtf8("&Справка"));
    help->addAction(about, this, [this] { ShowAbout(); });
  }
  const int menuHeight = menuBar != nullptr ? menuBar->sizeHint().height() : 0;
  const std::vector<QWidget*> controls =
      BuildControls(*this, DialogTemplate(IDD_MAIN), menuHeight, windowIcon());
  const res::DialogTemplate& layout = DialogTemplate(IDD_MAIN);
  for (size_t i = 0; i < controls.size(); ++i) {
    switch (layout.controls[i].id) {
      case IDC_LOG:
        log_ = static_cast<QListWidget*>(controls[i]);
        log_->setObjectName("log");
        break;
      case IDC_FIX_HTML:
        fixHtml_ = static_cast<QCheckBox*>(controls[i]);
        fixHtml_->setObjectName("fixHtml");
        break;
      case IDC_ARCHIVE:
        archive_ = static_cast<QCheckBox*>(controls[i]);
        archive_->setObjectName("archive");
        break;
      default:
        break;
    }
  }
  if (menuBar != nullptr) menuBar->setGeometry(0, 0, width(), menuHeight);
}

CPageDlg::~CPageDlg() { sink_.SetWindow(nullptr); }

void CPageDlg::Open(const std::vector<std::string>& commandLinePaths) {
  sink_.SetWindow(this);
  logic_.Open(commandLinePaths);
  show();
}

void CPageDlg::OnJobDone(std::unique_ptr<job::JobResult> result) {
  logic_.OnResult(std::move(result));
}

void CPageDlg::closeEvent(QCloseEvent* event) {
  event->accept();
  if (closed_) return;
  closed_ = true;
  // From here on the worker frees its results; those already queued are
  // freed with the window.
  sink_.SetWindow(nullptr);
  const QRect frame = frameGeometry();
  // Without a screen no place is beyond it.
  const QScreen* primary = QGuiApplication::primaryScreen();
  const QSize screen = primary != nullptr ? primary->availableSize() : QSize(INT_MAX, INT_MAX);
  if (!logic_.OnClose({frame.left(), frame.top(), screen.width(), screen.height()})) {
    // A settings folder that cannot be written costs the stored place and
    // boxes, nothing else; the user learns why they come back as before.
    std::fprintf(stderr, "velkor: cannot store the window's place and boxes in %s\n",
                 userSettingsPath_.c_str());
  }
}

void CPageDlg::keyPressEvent(QKeyEvent* event) {
  // Enter and Esc end the window, as they end the Windows dialog.
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
      close();
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void CPageDlg::dragEnterEvent(QDragEnterEvent* event) { AcceptAsCopy(*event); }
void CPageDlg::dragMoveEvent(QDragMoveEvent* event) { AcceptAsCopy(*event); }

void CPageDlg::dropEvent(QDropEvent* event) {
  if (!AcceptAsCopy(*event)) return;
  const QByteArray uriList = event->mimeData()->data(kUriListType);
  const DroppedUris dropped = ParseUriList(std::string_view(uriList.constData(), uriList.size()),
                                           QSysInfo::machineHostName().toStdString());
  std::vector<app::Refusal> refused;
  for (const std::string& url : dropped.refused) {
    refused.push_back({url, job::STATUS_NOT_LOCAL_FILE});
  }
  logic_.OnDrop(dropped.paths, refused);
}

void CPageDlg::ShowAbout() {
  CAboutDlg about(this);
  about.exec();
}

bool CPageDlg::ArchiveChecked() const { return archive_->isChecked(); }
bool CPageDlg::FixChecked() const { return fixHtml_->isChecked(); }
void CPageDlg::SetArchiveChecked(bool checked) { archive_->setChecked(checked); }
void CPageDlg::SetFixChecked(bool checked) { fixHtml_->setChecked(checked); }
void CPageDlg::MoveTo(int x, int y) { move(x, y); }

void CPageDlg::AddLogLine(const std::string& line) {
  log_->addItem(QString::fromUtf8(line.data(), static_cast<qsizetype>(line.size())));
}

void CPageDlg::ClearLog() { log_->clear(); }

bool CPageDlg::LogShowsLastLine() const {
  const QScrollBar* bar = log_->verticalScrollBar();
  return bar->value() == bar->maximum();
}

void CPageDlg::ShowLastLogLine() { log_->scrollToBottom(); }
void CPageDlg::SetCaption(const char* text) { setWindowTitle(QString::fromUtf8(text)); }

void CPageDlg::Close() {
  // Once the result being handled is done, as the user's close would.
  QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

}  // namespace qt
