#include "job/worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"

namespace {

using namespace std::chrono_literals;
using Events = std::vector<std::string>;

// A worker whose jobs log what happens, in order and across threads, and
// wait at a gate that the test opens when their name begins with "slow".
class WorkerTest : public ::testing::Test, public job::ResultSink {
 protected:
  void Log(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    changed_.notify_all();
  }
  void WaitForEvents(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return events_.size() >= count; });
  }
  Events TheEvents() {
    std::lock_guard lock(mutex_);
    return events_;
  }
  void OpenGate() {
    std::lock_guard lock(mutex_);
    gateOpen_ = true;
    changed_.notify_all();
  }
  void Post(const char* name) {
    auto request = std::make_unique<job::JobRequest>();
    platform::CopyText(request->path, sizeof request->path, name);
    ASSERT_TRUE(worker_.Post(std::move(request)));
  }

  // The sink; once "gone", like a destroyed window, it refuses results.
  void SetCaption(const char* name) override { Log(std::string("caption ") + name); }
  bool Deliver(std::unique_ptr<job::JobResult> result) override {
    if (gone_) return false;
    Log(std::string("result ") + result->name);
    return true;
  }

  std::unique_ptr<job::JobResult> RunJob(job::JobRequest& request, job::ResultSink& sink) {
    Log(std::string("run ") + request.path);
    sink.SetCaption(request.path);
    if (std::string(request.path).rfind("slow", 0) == 0) {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return gateOpen_; });
    }
    auto result = std::make_unique<job::JobResult>();
    platform::CopyText(result->name, sizeof result->name, request.path);
    return result;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Events events_;
  bool gateOpen_ = false;
  std::atomic<bool> gone_{false};
  job::RunningFlag running_;
  job::CWrkThread worker_{running_, *this,
                          [this](job::JobRequest& r, job::ResultSink& s) { return RunJob(r, s); }};
};

TEST_F(WorkerTest, RunsJobsOneAfterAnotherInPostingOrder) {
  ASSERT_TRUE(worker_.Start());
  for (const char* name : {"a", "b", "c"}) Post(name);
  worker_.Quit();
  EXPECT_EQ(TheEvents(), (Events{"run a", "caption a", "result a", "run b", "caption b",
                                 "result b", "run c", "caption c", "result c"}));
}

TEST_F(WorkerTest, AHeldWorkerStartsNothingUntilEveryHoldIsReleased) {
  ASSERT_TRUE(worker_.Start());
  worker_.Hold();
  worker_.Hold();
  for (const char* name : {"a", "b"}) Post(name);
  // Time for a worker that ignored the hold to show it.
  std::this_thread::sleep_for(50ms);
  Log("first release");
  worker_.Release();
  std::this_thread::sleep_for(50ms);
  Log("second release");
  worker_.Release();
  worker_.Quit();
  EXPECT_EQ(TheEvents(), (Events{"first release", "second release", "run a", "caption a",
                                 "result a", "run b", "caption b", "result b"}));
}

TEST_F(WorkerTest, AHoldTakesEffectBetweenJobsNeverInsideOne) {
  ASSERT_TRUE(worker_.Start());
  Post("slow");
  WaitForEvents(2);
  // Holding must neither wait for the running job (it waits at the gate,
  // which only this thread opens) nor stop it.
  worker_.Hold();
  Post("next");
  OpenGate();
  WaitForEvents(3);
  std::this_thread::sleep_for(50ms);
  Log("release");
  worker_.Release();
  worker_.Quit();
  EXPECT_EQ(TheEvents(), (Events{"run slow", "caption slow", "result slow", "release", "run next",
                                 "caption next", "result next"}));
}

TEST_F(WorkerTest, ShutDownFinishesTheRunningJobAndDropsTheQueuedOnes) {
  ASSERT_TRUE(worker_.Start());
  for (const char* name : {"slow", "b", "c"}) Post(name);
  WaitForEvents(2);
  // The window is gone and shut-down begins while the slow job runs; a hold
  // left over does not keep the worker from ending.
  gone_ = true;
  running_.BeginShutDown();
  worker_.Hold();
  OpenGate();
  worker_.Quit();
  // The slow job's result was refused and freed (the leak checker would
  // tell otherwise); b and c never ran.
  EXPECT_EQ(TheEvents(), (Events{"run slow", "caption slow"}));
  EXPECT_FALSE(worker_.Post(std::make_unique<job::JobRequest>()));
}

}  // namespace
