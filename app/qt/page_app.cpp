#include "app/qt/page_app.h"

#include <utility>

#include "app/settings.h"
#include "platform/system.h"

namespace qt {

bool CPageApp::InitInstance(app::SettingsFiles settings,
                            const std::vector<std::string>& commandLinePaths) {
  if (!worker_.Start(settings, sink_)) return false;
  window_ = std::make_unique<CPageDlg>(worker_.worker(), sink_, std::move(settings));
  window_->Open(commandLinePaths);
  return true;
}

int CPageApp::ExitInstance() {
  // The window goes first: from then on the worker frees its results.
  window_.reset();
  worker_.Stop();
  return 0;
}

app::SettingsFiles WindowSettingsFiles(const std::optional<std::string>& ini) {
  if (ini) return app::SettingsFiles(platform::ThisProcess().FullPath(ini->c_str()));
  return app::DefaultSettingsFiles();
}

}  // namespace qt
