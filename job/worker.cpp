#include "job/worker.h"

#include <exception>
#include <new>
#include <utility>

#include "page/files_folder.h"
#include "platform/text.h"

namespace job {
namespace {

// Names compare as the system would let them clash: without regard to
// letter case, which at worst holds back a job that could have run.
bool SameName(const std::string& a, const std::string& b) {
  return platform::CompareNoCase(a.c_str(), b.c_str()) == 0;
}

}  // namespace

template <typename Ready>
void CJobPool::WaitForTurn(std::unique_lock<std::mutex>& lock, Ready ready) {
  ++waitingTurn_;
  turn_.wait(lock, ready);
  --waitingTurn_;
}

void CJobPool::TurnsChanged() {
  if (waitingTurn_ > 0) turn_.notify_all();
}

// The sink a job reports to: what it says is kept for the pool's own sink,
// which gets it, in order, from whichever worker is feeding it.
class CJobPool::JobSink final : public ResultSink {
 public:
  JobSink(CJobPool& pool, uint64_t number) : pool_(pool), number_(number) {}
  void JobStarted(const char* name) override {
    std::unique_lock lock(pool_.mutex_);
    try {
      pool_.started_.emplace_back(name);
    } catch (const std::bad_alloc&) {
      return;  // the name is not shown; the job goes on
    }
    pool_.FeedSink(lock);
  }
  void ArchiverOutput(std::string output) override {
    std::lock_guard lock(pool_.mutex_);
    pool_.jobs_.at(number_).output = std::move(output);
  }
  bool Deliver(std::unique_ptr<JobResult> result) override {
    std::lock_guard lock(pool_.mutex_);
    pool_.jobs_.at(number_).result = std::move(result);
    return true;
  }

 private:
  CJobPool& pool_;
  uint64_t number_;
};

class CJobPool::Gate final : public JobGate {
 public:
  Gate(CJobPool& pool, uint64_t number) : pool_(pool), number_(number) {}
  void BeforeArchiving(const std::string& archiveBase) override {
    std::unique_lock lock(pool_.mutex_);
    pool_.jobs_.at(number_).archive = archiveBase;
    pool_.TurnsChanged();
    pool_.WaitForTurn(lock, [&] { return pool_.MayPack(number_, archiveBase); });
  }

 private:
  CJobPool& pool_;
  uint64_t number_;
};

CJobPool::CJobPool(const RunningFlag& running, ResultSink& sink, JobRunner runner, int workers)
    : running_(running), sink_(sink), runner_(std::move(runner)),
      workerCount_(workers < 1 ? 1 : workers) {}

CJobPool::~CJobPool() { Quit(); }

bool CJobPool::Start() {
  for (int i = 0; i < workerCount_; ++i) {
    try {
      workers_.emplace_back(&CJobPool::Run, this);
    } catch (const std::exception&) {
      break;  // the workers that did start take the whole queue
    }
  }
  return !workers_.empty();
}

bool CJobPool::Post(std::unique_ptr<JobRequest> request) {
  bool wake = false;
  try {
    Job job;
    job.folderKey = page::FilesFolder(request->path, page::BareNameFolder::StemAndSuffix);
    job.request = std::move(request);
    std::lock_guard lock(mutex_);
    if (quitting_) return false;
    // The job counts only once it has both its record and its place in the
    // queue: one without the other would never finish, and hold back every
    // later result for good.
    const auto record = jobs_.try_emplace(nextNumber_, std::move(job)).first;
    try {
      queue_.push_back(nextNumber_);
    } catch (const std::bad_alloc&) {
      jobs_.erase(record);
      throw;
    }
    ++nextNumber_;
    // While held, or while every worker is busy, nobody needs waking.
    wake = holds_ == 0 && idle_ > 0;
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (wake) work_.notify_one();
  return true;
}

void CJobPool::Hold() {
  std::lock_guard lock(mutex_);
  ++holds_;
}

void CJobPool::Release() {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    if (holds_ > 0) --holds_;
    wake = holds_ == 0 && !queue_.empty() && idle_ > 0;
  }
  // One wakes; each that takes a job wakes the next while jobs are left.
  if (wake) work_.notify_one();
}

void CJobPool::Quit() {
  {
    std::lock_guard lock(mutex_);
    quitting_ = true;
  }
  work_.notify_all();
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
}

void CJobPool::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // The hold is tested between jobs only; quitting outweighs it, so that
    // shut-down can always finish.
    ++idle_;
    work_.wait(lock, [this] { return quitting_ || (!queue_.empty() && holds_ == 0); });
    --idle_;
    if (queue_.empty()) return;
    const uint64_t number = queue_.front();
    queue_.pop_front();
    if (!queue_.empty() && idle_ > 0) work_.notify_one();
    RunJob(number, lock);
  }
}

void CJobPool::RunJob(uint64_t number, std::unique_lock<std::mutex>& lock) {
  WaitForTurn(lock, [&] { return MayBegin(number); });
  std::unique_ptr<JobRequest> request = std::move(jobs_.at(number).request);
  lock.unlock();
  // Once shut-down has begun, what is still queued is dropped unprocessed.
  if (running_.IsRunning()) {
    JobSink sink(*this, number);
    Gate gate(*this, number);
    try {
      std::unique_ptr<JobResult> result = runner_(*request, sink, gate);
      if (result) sink.Deliver(std::move(result));
    } catch (const std::bad_alloc&) {
      // Out of memory inside a job: dropped without a result, as when its
      // result cannot be allocated, and the workers go on.
    }
  }
  request.reset();
  lock.lock();
  jobs_.at(number).finished = true;
  TurnsChanged();
  FeedSink(lock);
}

// A job begins once no earlier job of its "_files" folder is unfinished.
bool CJobPool::MayBegin(uint64_t number) const {
  const Job& job = jobs_.at(number);
  for (auto it = jobs_.begin(); it != jobs_.end() && it->first < number; ++it) {
    if (!it->second.finished && SameName(it->second.folderKey, job.folderKey)) return false;
  }
  return true;
}

// A job packs once every earlier job has finished, or is known to pack into
// another archive: an earlier one that has not come so far may yet name the
// same one.
bool CJobPool::MayPack(uint64_t number, const std::string& archive) const {
  for (auto it = jobs_.begin(); it != jobs_.end() && it->first < number; ++it) {
    const Job& earlier = it->second;
    if (earlier.finished) continue;
    if (!earlier.archive || SameName(*earlier.archive, archive)) return false;
  }
  return true;
}

// The results go in posting order, each as far as the jobs before it have
// finished (a job dropped without a result gives none); then the names of
// the jobs begun. The lock is let go around every call of the sink.
void CJobPool::FeedSink(std::unique_lock<std::mutex>& lock) {
  if (feeding_) return;
  feeding_ = true;
  for (;;) {
    const auto next = jobs_.find(nextToDeliver_);
    if (next != jobs_.end() && next->second.finished) {
      std::unique_ptr<JobResult> result = std::move(next->second.result);
      std::string output = std::move(next->second.output);
      jobs_.erase(next);
      ++nextToDeliver_;
      if (!result) continue;
      lock.unlock();
      try {
        if (!output.empty()) sink_.ArchiverOutput(std::move(output));
        sink_.Deliver(std::move(result));
      } catch (const std::bad_alloc&) {
        // The sink could not take this one; the batch goes on.
      }
      lock.lock();
    } else if (!started_.empty()) {
      const std::string name = std::move(started_.front());
      started_.pop_front();
      lock.unlock();
      try {
        sink_.JobStarted(name.c_str());
      } catch (const std::bad_alloc&) {
        // Only the name goes unshown.
      }
      lock.lock();
    } else {
      break;
    }
  }
  feeding_ = false;
}

}  // namespace job
