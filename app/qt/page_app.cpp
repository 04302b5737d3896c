#include "app/qt/page_app.h"

#include <utility>

#include "app/settings.h"
#include "job/process_job.h"
#include "platform/system.h"

namespace qt {

bool CPageApp::InitInstance(std::string settingsPath,
                            const std::vector<std::string>& commandLinePaths) {
  // Read once, before the worker exists; the worker only reads them.
  settings_ = app::ReadJobSettings(settingsPath);
  worker_ = job::StartPageWorker(running_, sink_, settings_);
  if (!worker_) return false;
  window_ = std::make_unique<CPageDlg>(*worker_, sink_, std::move(settingsPath));
  window_->Open(commandLinePaths);
  return true;
}

int CPageApp::ExitInstance() {
  // The window goes first: from then on the worker frees its results.
  window_.reset();
  if (worker_) {
    running_.BeginShutDown();
    worker_->Quit();
    worker_.reset();
  }
  return 0;
}

std::string WindowSettingsPath(const std::optional<std::string>& ini) {
  return ini ? platform::ThisProcess().FullPath(ini->c_str()) : app::DefaultSettingsPath();
}

}  // namespace qt
