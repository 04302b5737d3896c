#include "job/worker_pool.h"

#include <new>
#include <system_error>
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

// The sink a job reports to: the caption at once, the archiver's output and
// the result kept with the job, for their delivery in order.
class CJobPool::JobSink final : public ResultSink {
 public:
  JobSink(CJobPool& pool, uint64_t number) : pool_(pool), number_(number) {}
  void JobStarted(const char* name) override {
    std::lock_guard lock(pool_.mutex_);
    pool_.sink_.JobStarted(name);
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
    pool_.changed_.notify_all();
    pool_.changed_.wait(lock, [&] { return pool_.MayPack(number_, archiveBase); });
  }

 private:
  CJobPool& pool_;
  uint64_t number_;
};

CJobPool::CJobPool(const RunningFlag& running, ResultSink& sink, PoolJobRunner runner,
                   int workers)
    : running_(running), sink_(sink), runner_(std::move(runner)),
      workerCount_(workers < 1 ? 1 : workers) {}

CJobPool::~CJobPool() { Quit(); }

bool CJobPool::Start() {
  for (int i = 0; i < workerCount_; ++i) {
    try {
      workers_.emplace_back(&CJobPool::Run, this);
    } catch (const std::system_error&) {
      break;  // the workers that did start take the whole queue
    }
  }
  return !workers_.empty();
}

bool CJobPool::Post(std::unique_ptr<JobRequest> request) {
  {
    std::lock_guard lock(mutex_);
    if (quitting_) return false;
    const uint64_t number = nextNumber_++;
    Job& job = jobs_[number];
    job.folderKey = page::FilesFolder(request->path, page::BareNameFolder::StemAndSuffix);
    job.request = std::move(request);
    queue_.push_back(number);
  }
  changed_.notify_all();
  return true;
}

void CJobPool::Hold() {
  std::lock_guard lock(mutex_);
  ++holds_;
}

void CJobPool::Release() {
  {
    std::lock_guard lock(mutex_);
    if (holds_ > 0) --holds_;
  }
  changed_.notify_all();
}

void CJobPool::Quit() {
  {
    std::lock_guard lock(mutex_);
    quitting_ = true;
  }
  changed_.notify_all();
  for (std::thread& worker : workers_) {
    if (worker.joinable()) worker.join();
  }
}

void CJobPool::Run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    // The hold is tested between jobs only; quitting outweighs it, so that
    // shut-down can always finish.
    changed_.wait(lock, [this] {
      return (!queue_.empty() && (holds_ == 0 || quitting_)) || (quitting_ && queue_.empty());
    });
    if (queue_.empty()) return;
    const uint64_t number = queue_.front();
    queue_.pop_front();
    RunJob(number, lock);
  }
}

void CJobPool::RunJob(uint64_t number, std::unique_lock<std::mutex>& lock) {
  changed_.wait(lock, [&] { return MayBegin(number); });
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
      // Out of memory inside a job: dropped without a result, as the
      // single worker does.
    }
  }
  request.reset();
  lock.lock();
  jobs_.at(number).finished = true;
  DeliverInOrder();
  changed_.notify_all();
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

// Hands the results on in posting order, each as far as the jobs before it
// have finished; a job dropped without a result gives none.
void CJobPool::DeliverInOrder() {
  for (auto it = jobs_.find(nextToDeliver_); it != jobs_.end() && it->second.finished;
       it = jobs_.find(nextToDeliver_)) {
    Job& job = it->second;
    if (job.result) {
      if (!job.output.empty()) sink_.ArchiverOutput(std::move(job.output));
      sink_.Deliver(std::move(job.result));
    }
    jobs_.erase(it);
    ++nextToDeliver_;
  }
}

}  // namespace job
