// The main window: a modal dialog on template IDD_MAIN that takes dropped
// pages and folders, holds the two option boxes and logs each result. Its
// behaviour lives in app::WindowLogic; this class draws it with Win32.
#pragma once

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <string>

#include "app/win32/dialog.h"
#include "app/win32/main_window_sink.h"
#include "app/window_logic.h"
#include "job/worker.h"

namespace win32 {

class CPageDlg final : public CDialog, private app::WindowView {
 public:
  // `worker` and `sink` must outlive the dialog; the sink learns the
  // window's handle while the window exists. `commandLineArguments` is the
  // command line without the program's name.
  CPageDlg(job::JobPoster& worker, MainWindowSink& sink, std::string settingsPath,
           const char* commandLineArguments);

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

 private:
  bool OnSysCommand(WPARAM id);
  bool OnPaint();
  void OnDropFiles(HDROP drop);
  void OnDestroy();

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

  HICON m_hIcon;
  HWND m_logList = nullptr;
  MainWindowSink& sink_;
  const char* commandLineArguments_;
  app::WindowLogic logic_;
};

}  // namespace win32
