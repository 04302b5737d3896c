#include "app/qt/page_app.h"

#include <utility>

#include "app/settings.h"
#include "job/process_job.h"
#include "platform/system.h"

namespace qt {

bool CPageApp::InitInstance(app::SettingsFiles settings,
                            const std::vector<std::string>& commandLinePaths) {
  // Read once, before the worker exists; the worker only reads them.
  settings_ = app::ReadJobSettings(settings);
  worker_ = job::StartPageWorker(running_, sink_, settings_);
  if (!worker_) return false;
  window_ = std::make_unique<CPageDlg>(*worker_, sink_, std::move(settings));
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

app::SettingsFiles WindowSettingsFiles(const std::optional<std::string>& ini) {
  if (ini) return app::SettingsFiles(platform::ThisProcess().FullPath(ini->c_str()));
  return app::DefaultSettingsFiles();
}

}  // namespace qt
