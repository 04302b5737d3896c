#include "job/worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"

namespace {

using Events = std::vector<std::string>;

// Jobs log what happens; "slow" waits for the gate. Once shut-down has begun
// the sink, like a destroyed window, refuses results.
class WorkerTest : public ::testing::Test, public job::ResultSink {
 protected:
  void Log(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    logged_.notify_all();
  }
  void WaitForEvents(size_t count) {
    std::unique_lock lock(mutex_);
    logged_.wait(lock, [&] { return events_.size() >= count; });
  }
  void Post(const char* name) {
    auto request = std::make_unique<job::JobRequest>();
    platform::CopyText(request->path, sizeof request->path, name);
    ASSERT_TRUE(worker_.Post(std::move(request)));
  }
  void SetCaption(const char*) override {}
  bool Deliver(std::unique_ptr<job::JobResult> result) override {
    Log((running_.IsRunning() ? "result " : "refused ") + std::string(result->name));
    return running_.IsRunning();
  }

  std::mutex mutex_;
  std::condition_variable logged_;
  Events events_;  // read unlocked only once the worker has ended
  std::promise<void> gate_;
  job::RunningFlag running_;
  job::CWrkThread worker_{
      running_, *this,
      [this, gate = gate_.get_future().share()](job::JobRequest& request, job::ResultSink&) {
        Log(std::string("run ") + request.path);
        if (std::string(request.path) == "slow") gate.wait();
        auto result = std::make_unique<job::JobResult>();
        platform::CopyText(result->name, sizeof result->name, request.path);
        return result;
      }};
};

TEST_F(WorkerTest, AHoldWaitsForTheRunningJobAndEveryReleaseThenJobsRunInPostingOrder) {
  ASSERT_TRUE(worker_.Start());
  Post("slow");
  WaitForEvents(1);
  // Two holds while "slow" runs: it finishes; nothing posted since starts before both releases.
  worker_.Hold();
  worker_.Hold();
  for (const char* name : {"a", "b", "c"}) Post(name);
  gate_.set_value();
  WaitForEvents(2);
  for (const char* release : {"first release", "second release"}) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Log(release);
    worker_.Release();
  }
  worker_.Quit();
  EXPECT_EQ(events_, (Events{"run slow", "result slow", "first release", "second release", "run a",
                             "result a", "run b", "result b", "run c", "result c"}));
}

TEST_F(WorkerTest, ShutDownFinishesTheRunningJobAndDropsTheQueuedOnes) {
  ASSERT_TRUE(worker_.Start());
  for (const char* name : {"slow", "b", "c"}) Post(name);
  WaitForEvents(1);
  // Shut-down begins while "slow" runs; a hold left over does not keep the worker running.
  running_.BeginShutDown();
  worker_.Hold();
  gate_.set_value();
  worker_.Quit();
  // The refused result was freed (else the leak checker tells); b and c never ran.
  EXPECT_EQ(events_, (Events{"run slow", "refused slow"}));
  EXPECT_FALSE(worker_.Post(std::make_unique<job::JobRequest>()));
}

}  // namespace
