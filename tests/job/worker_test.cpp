// The job runner's promises. Where a test checks that something did not
// happen, it waits for a later step that the workers take only after it.
#include "job/worker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <future>
#include <initializer_list>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"

namespace {

using Strings = std::vector<std::string>;
// How long a test waits for the workers to do what they must before it fails.
constexpr std::chrono::seconds kPatience{20};

// Jobs named "<name>[:<archive>]" log their steps, pass the gate when they
// have an archive, and end once the test opens them. The sink logs each
// result, refused once shut-down has begun, as a destroyed window refuses
// it; while the test stalls it, it waits before it takes one.
class WorkerTest : public ::testing::Test, public job::ResultSink {
 protected:
  ~WorkerTest() override {
    // Whatever a failed test left waiting goes on, so that the workers end.
    {
      std::lock_guard lock(mutex_);
      openAll_ = true;
      stalled_ = false;
    }
    changed_.notify_all();
    pool_.reset();
  }

  void Start(std::unique_ptr<job::CJobPool> pool) {
    pool_ = std::move(pool);
    ASSERT_TRUE(pool_->Start());
  }
  job::JobRunner Runner() {
    return [this](job::JobRequest& request, job::ResultSink&, job::JobGate& gate) {
      const std::string path = request.path;
      const size_t colon = path.find(':');
      const std::string name = path.substr(0, colon);
      Log("start " + name);
      if (colon != std::string::npos) {
        gate.BeforeArchiving(path.substr(colon + 1));
        Log("pack " + name);
      }
      {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return openAll_ || open_.count(name) != 0; });
      }
      Log("end " + name);
      auto result = std::make_unique<job::JobResult>();
      platform::CopyText(result->name, sizeof result->name, name.c_str());
      return result;
    };
  }
  void Post(const std::string& name) {
    auto request = std::make_unique<job::JobRequest>();
    platform::CopyText(request->path, sizeof request->path, name.c_str());
    ASSERT_TRUE(pool_->Post(std::move(request)));
  }
  // Posts a batch, held until the whole batch is queued, as the intake does.
  void PostBatch(std::initializer_list<const char*> names) {
    pool_->Hold();
    for (const char* name : names) Post(name);
    pool_->Release();
  }
  void Open(const std::string& name) {
    std::lock_guard lock(mutex_);
    open_.insert(name);
    changed_.notify_all();
  }
  void Stall(bool stalled) {
    std::lock_guard lock(mutex_);
    stalled_ = stalled;
    changed_.notify_all();
  }
  void Log(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    changed_.notify_all();
  }
  ptrdiff_t Count(const std::string& event) const { return std::ranges::count(events_, event); }
  bool Logged(const std::string& event) {
    std::lock_guard lock(mutex_);
    return Count(event) != 0;
  }
  // Bounded, so that workers that stop for good fail the test instead of hanging it.
  bool WaitFor(const std::string& event) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] { return Count(event) != 0; });
  }
  size_t IndexOf(const std::string& event) {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::ranges::find(events_, event) - events_.begin());
  }

  void JobStarted(const char*) override {}
  bool Deliver(std::unique_ptr<job::JobResult> result) override {
    std::unique_lock lock(mutex_);
    if (stalled_) {
      events_.push_back("stalled " + std::string(result->name));
      changed_.notify_all();
      changed_.wait(lock, [this] { return !stalled_; });
    }
    const bool taken = running_.IsRunning();
    events_.push_back((taken ? "result " : "refused ") + std::string(result->name));
    changed_.notify_all();
    return taken;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Strings events_;  // read unlocked only once the workers have ended
  std::set<std::string> open_;
  bool openAll_ = false;
  bool stalled_ = false;
  job::RunningFlag running_;
  std::unique_ptr<job::CJobPool> pool_;
};

TEST_F(WorkerTest, OneWorkerRunsJobsInOrderHeldByCountedHoldsAndOnShutDownEndsOnlyTheOneInHand) {
  Start(std::make_unique<job::CWrkThread>(running_, *this, Runner()));
  Post("slow 1");
  ASSERT_TRUE(WaitFor("start slow 1"));
  // Two holds, one released while "slow 1" runs: it finishes, and the worker
  // stays held once at its point between jobs, which it passes on the same
  // thread right after the result.
  pool_->Hold();
  pool_->Hold();
  for (const char* name : {"a", "b", "slow 2", "c"}) Post(name);
  pool_->Release();
  Open("slow 1");
  ASSERT_TRUE(WaitFor("result slow 1"));
  Log("second release");
  pool_->Release();
  Open("a");
  Open("b");
  // Shut-down begins while "slow 2" runs; a hold left over does not keep the worker running.
  ASSERT_TRUE(WaitFor("start slow 2"));
  running_.BeginShutDown();
  pool_->Hold();
  Open("slow 2");
  auto quit = std::async(std::launch::async, [this] { pool_->Quit(); });
  const bool ended = quit.wait_for(kPatience) == std::future_status::ready;
  EXPECT_TRUE(ended) << "a hold kept the worker from quitting";
  if (!ended) pool_->Release();  // so that the test itself can end
  quit.wait();
  // The refused result was freed (else the leak checker tells); c never ran.
  EXPECT_EQ(events_, (Strings{"start slow 1", "end slow 1", "result slow 1", "second release",
                              "start a", "end a", "result a", "start b", "end b", "result b",
                              "start slow 2", "end slow 2", "refused slow 2"}));
  EXPECT_FALSE(pool_->Post(std::make_unique<job::JobRequest>()));
}

// Workers take jobs in posting order and test a job's turn as they take it:
// a later job's start proves that the earlier one was taken and tested. A
// job packs only after every earlier one has named its archive or ended; "x"
// is the same archive as "X" as far as Windows knows.
TEST_F(WorkerTest, NoTwoPagesOfOneFilesFolderRunNorTwoOfOneArchivePackAtOnceOthersGoBeside) {
  Start(std::make_unique<job::CJobPool>(running_, *this, Runner(), 6));
  PostBatch({"f/1.htm:X", "g/2.htm:Y", "h/3.htm:x", "d/page.htm", "d/page.html", "e/other.htm"});
  ASSERT_TRUE(WaitFor("pack f/1.htm"));
  ASSERT_TRUE(WaitFor("pack g/2.htm")) << "another archive waited for no reason";
  ASSERT_TRUE(WaitFor("start h/3.htm"));
  ASSERT_TRUE(WaitFor("start e/other.htm"));
  EXPECT_FALSE(Logged("start d/page.html"))
      << "page.html began while page.htm, of the same _files folder, ran";
  EXPECT_FALSE(Logged("pack h/3.htm")) << "two jobs packed into one archive at once";
  for (const char* name : {"f/1.htm", "g/2.htm", "h/3.htm", "d/page.htm", "d/page.html",
                           "e/other.htm"})
    Open(name);
  pool_->Quit();
  EXPECT_LT(IndexOf("end d/page.htm"), IndexOf("start d/page.html"));
  EXPECT_LT(IndexOf("end f/1.htm"), IndexOf("pack h/3.htm"));
}

// Results come in posting order whatever order the jobs end in. A console
// whose reader stopped blocks the worker writing to it; the others must go on
// with the batch meanwhile.
TEST_F(WorkerTest, SeveralWorkersDeliverInPostingOrderAndASinkThatStallsHoldsUpOnlyItsWorker) {
  Start(std::make_unique<job::CJobPool>(running_, *this, Runner(), 3));
  PostBatch({"n/1.htm", "o/2.htm", "p/3.htm", "q/4.htm"});
  for (const char* name : {"p/3.htm", "o/2.htm"}) {
    ASSERT_TRUE(WaitFor(std::string("start ") + name));
    Open(name);
    ASSERT_TRUE(WaitFor(std::string("end ") + name));
  }
  EXPECT_FALSE(Logged("result o/2.htm") || Logged("result p/3.htm"))
      << "a result overtook an earlier one";
  Stall(true);
  Open("n/1.htm");
  ASSERT_TRUE(WaitFor("stalled n/1.htm"));
  Open("q/4.htm");
  EXPECT_TRUE(WaitFor("end q/4.htm")) << "a stalled sink stopped every worker";
  Stall(false);
  pool_->Quit();
  EXPECT_EQ(Strings(events_.end() - 4, events_.end()),
            (Strings{"result n/1.htm", "result o/2.htm", "result p/3.htm", "result q/4.htm"}));
}

}  // namespace
