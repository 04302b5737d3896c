// The main window on Linux: the controls of template IDD_MAIN, a drop target
// for pages and folders from a file manager, and a Help menu with the About
// box (window managers keep their window menus to themselves). Its behaviour
// lives in app::WindowLogic; this class draws it with Qt.
#pragma once

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "app/window_logic.h"
#include "job/job_records.h"
#include "job/worker.h"

class QCheckBox;
class QListWidget;

namespace qt {

class WindowSink;

class CPageDlg final : public QWidget, private app::WindowView {
 public:
  // `worker` and `sink` must outlive the window; the sink knows the window
  // from Open() until it closes.
  CPageDlg(job::JobPoster& worker, WindowSink& sink, app::SettingsFiles settings);
  ~CPageDlg() override;

  // Restores the boxes and the place, takes the command line's paths and
  // shows the window.
  void Open(const std::vector<std::string>& commandLinePaths);

  // One finished job, on the window's thread (the sink queues it here).
  void OnJobDone(std::unique_ptr<job::JobResult> result);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void ShowAbout();

  // app::WindowView
  bool ArchiveChecked() const override;
  bool FixChecked() const override;
  void SetArchiveChecked(bool checked) override;
  void SetFixChecked(bool checked) override;
  void MoveTo(int x, int y) override;
  void AddLogLine(const std::string& line) override;
  void ClearLog() override;
  bool LogShowsLastLine() const override;
  void ShowLastLogLine() override;
  void SetCaption(const char* text) override;
  void Close() override;

  QListWidget* log_ = nullptr;
  QCheckBox* fixHtml_ = nullptr;
  QCheckBox* archive_ = nullptr;
  WindowSink& sink_;
  const std::string userSettingsPath_;  // the one file the window writes
  app::WindowLogic logic_;
  bool closed_ = false;
};

}  // namespace qt
