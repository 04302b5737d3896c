// Several workers taking pages from one queue, for the batch command line.
// What one worker guarantees still holds: the results reach the sink in the
// order their requests were posted, a hold stops every worker between jobs,
// and a job never overtakes an earlier one where the two would meet: two
// pages of one "_files" folder (page.htm and page.html) never run at once,
// and two pages whose titles give one archive name pack into it one at a
// time, in posting order.
#pragma once

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
#include "job/worker.h"

namespace job {

// Processes one request, reporting through the sink it is given and
// waiting at `gate` where it must; null when it could not make a result.
using PoolJobRunner =
    std::function<std::unique_ptr<JobResult>(JobRequest&, ResultSink&, JobGate&)>;

class CJobPool final : public JobPoster {
 public:
  // `running` and `sink` must outlive the pool. The sink is called by one
  // worker at a time, under the pool's lock.
  CJobPool(const RunningFlag& running, ResultSink& sink, PoolJobRunner runner, int workers);
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
  bool MayBegin(uint64_t number) const;
  bool MayPack(uint64_t number, const std::string& archive) const;
  void DeliverInOrder();

  const RunningFlag& running_;
  ResultSink& sink_;
  PoolJobRunner runner_;
  int workerCount_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<uint64_t> queue_;   // numbers of the jobs not yet taken
  std::map<uint64_t, Job> jobs_;  // every job not yet delivered, by number
  uint64_t nextNumber_ = 0;
  uint64_t nextToDeliver_ = 0;
  int holds_ = 0;
  bool quitting_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace job
