#include "app/window_worker.h"


namespace app {

bool WindowWorker::Start(const SettingsFiles& settings, job::ResultSink& sink) {
  settings_ = ReadJobSettings(settings);
  worker_ = std::make_unique<job::CWrkThread>(running_, sink, job::PageJobRunner(settings_));
  if (worker_->Start()) return true;
  worker_.reset();
  return false;
}

void WindowWorker::Stop() {
  if (!worker_) return;
  running_.BeginShutDown();
  worker_->Quit();
  worker_.reset();
}

}  // namespace app
