// The job runner: worker threads that take the posted requests from one
// queue and hand each result to the front end's sink. The window has one
// worker (CWrkThread), velkor-cli one for each processor core (CJobPool).
// However many there are, the results reach the sink in the order their
// requests were posted, a hold stops every worker between jobs, and a job
// never overtakes an earlier one where the two would meet: two pages of one
// "_files" folder (page.htm and page.html) never run at once, and two pages
// whose titles give one archive name pack into it one at a time, in posting
// order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "job/job_gate.h"
#include "job/job_records.h"
#include "job/result_sink.h"

namespace job {

// Set while the program runs; the application clears it when shut-down
// begins, and from then on the workers drop what they take off the queue.
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
  // on. False when the queue refuses it (the worker has been told to quit,
  // or memory for its place in the queue ran out); the request is then
  // freed.
  virtual bool Post(std::unique_ptr<JobRequest> request) = 0;

  // Holds the worker at its next point between jobs, so that nothing of a
  // batch starts before the whole batch is queued. Counted: every Hold is
  // paired with a Release. A job already running is finished.
  virtual void Hold() = 0;
  virtual void Release() = 0;
};

// Processes one request, reporting through the sink it is given and
// waiting at `gate` where it must; null when it could not make a result.
using JobRunner = std::function<std::unique_ptr<JobResult>(JobRequest&, ResultSink&, JobGate&)>;

class CJobPool : public JobPoster {
 public:
  // `running` and `sink` must outlive the pool. The sink is called by one
  // thread at a time and never while the pool's lock is held, so a sink
  // that blocks (a stalled console) holds up only the worker calling it.
  CJobPool(const RunningFlag& running, ResultSink& sink, JobRunner runner, int workers);
  // Quits and waits, as Quit() does.
  ~CJobPool() override;
  CJobPool(const CJobPool&) = delete;
  CJobPool& operator=(const CJobPool&) = delete;

  // Starts the workers; false when not one can be started.
  bool Start();

  bool Post(std::unique_ptr<JobRequest> request) override;
  void Hold() override;
  void Release() override;

  // Lets the workers finish every request posted so far (or, once the
  // running flag is cleared, drop what has not begun) and waits for them.
  // Not to be called from a sink, which runs on a worker.
  void Quit();

 private:
  // One request from its posting to the delivery of its result.
  struct Job {
    std::unique_ptr<JobRequest> request;
    std::string folderKey;  // its "_files" folder, which no two jobs use at once
    std::optional<std::string> archive;  // the archive it packs into, once known
    bool finished = false;
    std::unique_ptr<JobResult> result;
    std::string output;  // the archiver's, delivered just before the result
  };
  class JobSink;
  class Gate;

  void Run();
  void RunJob(uint64_t number, std::unique_lock<std::mutex>& lock);
  // Waits on `turn_` until `ready` holds.
  template <typename Ready>
  void WaitForTurn(std::unique_lock<std::mutex>& lock, Ready ready);
  void TurnsChanged();
  bool MayBegin(uint64_t number) const;
  bool MayPack(uint64_t number, const std::string& archive) const;
  // Hands the sink what is ready for it, unless another worker is doing
  // so already: that one then hands on this too.
  void FeedSink(std::unique_lock<std::mutex>& lock);

  const RunningFlag& running_;
  ResultSink& sink_;
  JobRunner runner_;
  int workerCount_;

  std::mutex mutex_;
  std::condition_variable work_;  // a job to take, a hold released, or the quit
  std::condition_variable turn_;  // an earlier job finished or named its archive
  std::deque<uint64_t> queue_;    // numbers of the jobs not yet taken
  std::map<uint64_t, Job> jobs_;  // every job not yet delivered, by number
  std::deque<std::string> started_;  // names of jobs begun, for the sink
  uint64_t nextNumber_ = 0;
  uint64_t nextToDeliver_ = 0;
  int holds_ = 0;
  int idle_ = 0;        // workers waiting on work_
  int waitingTurn_ = 0;  // workers waiting on turn_
  bool feeding_ = false;  // a worker is handing the sink what is ready
  bool quitting_ = false;
  std::vector<std::thread> workers_;
};

// The window's worker: the pool with one worker thread, which runs the
// jobs one at a time in posting order.
class CWrkThread final : public CJobPool {
 public:
  CWrkThread(const RunningFlag& running, ResultSink& sink, JobRunner runner)
      : CJobPool(running, sink, std::move(runner), 1) {}
};

}  // namespace job
