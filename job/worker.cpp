#include "job/worker.h"

#include <new>
#include <system_error>
#include <utility>

namespace job {

CWrkThread::CWrkThread(const RunningFlag& running, ResultSink& sink, JobRunner runner)
    : running_(running), sink_(sink), runner_(std::move(runner)) {}

CWrkThread::~CWrkThread() { Quit(); }

bool CWrkThread::Start() {
  try {
    thread_ = std::thread(&CWrkThread::Run, this);
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

bool CWrkThread::Post(std::unique_ptr<JobRequest> request) {
  {
    std::lock_guard lock(mutex_);
    if (quitQueued_) return false;
    queue_.push_back({WRK_CMD_JOB, std::move(request)});
  }
  wake_.notify_one();
  return true;
}

void CWrkThread::Hold() {
  std::lock_guard lock(mutex_);
  ++holds_;
}

void CWrkThread::Release() {
  {
    std::lock_guard lock(mutex_);
    if (holds_ > 0) --holds_;
  }
  wake_.notify_one();
}

void CWrkThread::Quit() {
  {
    std::lock_guard lock(mutex_);
    if (!quitQueued_) queue_.push_back({WRK_CMD_QUIT, nullptr});
    quitQueued_ = true;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
}

void CWrkThread::Run() {
  for (;;) {
    Command command;
    {
      std::unique_lock lock(mutex_);
      // The hold is tested here, between jobs only, so the worker is never
      // stopped inside a job or while it holds a lock the intake needs. A
      // queued quit outweighs a hold, so that shut-down can always finish.
      wake_.wait(lock, [this] { return !queue_.empty() && (holds_ == 0 || quitQueued_); });
      command = std::move(queue_.front());
      queue_.pop_front();
    }
    if (command.code == WRK_CMD_QUIT) return;
    Handle(std::move(command.request));
  }
}

void CWrkThread::Handle(std::unique_ptr<JobRequest> request) {
  // Once shut-down has begun, what is still queued is dropped unprocessed.
  if (!request || !running_.IsRunning()) return;
  try {
    std::unique_ptr<JobResult> result = runner_(*request, sink_);
    if (result) sink_.Deliver(std::move(result));
  } catch (const std::bad_alloc&) {
    // Out of memory inside a job: the request is dropped without a result,
    // as when its result cannot be allocated, and the worker goes on.
  }
}

}  // namespace job
