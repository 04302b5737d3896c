#include "app/qt/page_app.h"

#include <utility>

#include "app/settings.h"
#include "platform/system.h"

namespace qt {

bool CPageApp::InitInstance(std::string settingsPath,
                            const std::vector<std::string>& commandLinePaths) {
  if (!worker_.Start(settingsPath, sink_)) return false;
  window_ = std::make_unique<CPageDlg>(worker_.worker(), sink_, std::move(settingsPath));
  window_->Open(commandLinePaths);
  return true;
}

int CPageApp::ExitInstance() {
  // The window goes first: from then on the worker frees its results.
  window_.reset();
  worker_.Stop();
  return 0;
}

std::string WindowSettingsPath(const std::optional<std::string>& ini) {
  return ini ? platform::ThisProcess().FullPath(ini->c_str()) : app::DefaultSettingsPath();
}

}  // namespace qt
