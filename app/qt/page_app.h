// The application: reads the archiver settings, starts the worker, shows
// the main window, and stops the worker once the window has gone.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/qt/page_dlg.h"
#include "app/qt/window_sink.h"
#include "app/settings.h"
#include "app/window_worker.h"

namespace qt {

class CPageApp {
 public:
  // Everything up to the shown window, which takes `commandLinePaths`. False
  // when the worker cannot be started; nothing is shown then.
  bool InitInstance(app::SettingsFiles settings,
                    const std::vector<std::string>& commandLinePaths);

  // Destroys the window, lets the worker finish its job in hand, drops what
  // is still queued and waits for the worker to end. Returns the process's
  // exit code.
  int ExitInstance();

  // The main window while it exists.
  CPageDlg* window() const { return window_.get(); }

 private:
  WindowSink sink_;
  app::WindowWorker worker_;
  std::unique_ptr<CPageDlg> window_;
};

// The settings velkor reads: the file named by --ini, by its full path,
// alone; or the user's over the system's.
app::SettingsFiles WindowSettingsFiles(const std::optional<std::string>& ini);

}  // namespace qt
