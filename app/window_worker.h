// The window's worker with what it runs on: started and stopped the one way
// every window front end does it.
#pragma once

#include <memory>
#include <string>

#include "app/settings.h"
#include "job/process_job.h"
#include "job/result_sink.h"
#include "job/worker.h"

namespace app {

class WindowWorker {
 public:
  // Reads the job settings of `settings`, once, before the worker exists
  // (it only reads them), and starts the worker with its results going to
  // `sink`, which must outlive it. False when it cannot be started.
  bool Start(const SettingsFiles& settings, job::ResultSink& sink);

  // Once the window has gone: the job in hand is finished (the sink, without
  // a window, frees its result), what is still queued is dropped, and it
  // returns when the worker has ended. Nothing when it never started.
  void Stop();

  // The worker, from a successful Start to Stop.
  job::CWrkThread& worker() { return *worker_; }

 private:
  job::JobSettings settings_;
  job::RunningFlag running_;
  std::unique_ptr<job::CWrkThread> worker_;
};

}  // namespace app
