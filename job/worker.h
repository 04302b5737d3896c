// The worker thread: runs one job at a time, in posting order, and hands
// each result to the front end's sink. One portable implementation, a
// thread and a FIFO queue, serves every platform.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "job/job_records.h"
#include "job/result_sink.h"

namespace job {

// Set while the program runs; the application clears it when shut-down
// begins, and from then on the worker drops what it takes off its queue.
class RunningFlag {
 public:
  bool IsRunning() const { return running_.load(std::memory_order_acquire); }
  void BeginShutDown() { running_.store(false, std::memory_order_release); }

 private:
  std::atomic<bool> running_{true};
};

// What the intake needs of a worker; tests put a fake in its place.
class JobPoster {
 public:
  virtual ~JobPoster() = default;

  // Queues the request behind the earlier ones; the poster owns it from now
  // on. False when the queue refuses it (the worker has been told to quit);
  // the request is then freed.
  virtual bool Post(std::unique_ptr<JobRequest> request) = 0;

  // Holds the worker at its next point between jobs, so that nothing of a
  // batch starts before the whole batch is queued. Counted: every Hold is
  // paired with a Release. A job already running is finished.
  virtual void Hold() = 0;
  virtual void Release() = 0;
};

// Processes one request; null when it could not make a result.
using JobRunner = std::function<std::unique_ptr<JobResult>(JobRequest&, ResultSink&)>;

class CWrkThread final : public JobPoster {
 public:
  // `running` and `sink` must outlive the worker thread.
  CWrkThread(const RunningFlag& running, ResultSink& sink, JobRunner runner);
  // Quits and waits, as Quit() does.
  ~CWrkThread() override;
  CWrkThread(const CWrkThread&) = delete;
  CWrkThread& operator=(const CWrkThread&) = delete;

  // Starts the thread; false when it cannot be started.
  bool Start();

  bool Post(std::unique_ptr<JobRequest> request) override;
  void Hold() override;
  void Release() override;

  // Queues the quit command behind every request posted so far and waits
  // until the thread has ended. The requests ahead of it are processed, or,
  // once the running flag is cleared, freed unprocessed. Not to be called
  // from a sink, which runs on the worker thread.
  void Quit();

 private:
  struct Command {
    int code = WRK_CMD_JOB;
    std::unique_ptr<JobRequest> request;
  };

  void Run();
  void Handle(std::unique_ptr<JobRequest> request);

  const RunningFlag& running_;
  ResultSink& sink_;
  JobRunner runner_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<Command> queue_;
  int holds_ = 0;
  bool quitQueued_ = false;
  std::thread thread_;
};

}  // namespace job
