#include "job/worker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/text.h"

namespace {

using namespace std::chrono_literals;

// Everything the worker did, in the order it happened, across threads.
class EventLog {
 public:
  void Add(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    changed_.notify_all();
  }
  // Waits until `count` events have been logged.
  void WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return events_.size() >= count; });
  }
  std::vector<std::string> Events() {
    std::lock_guard lock(mutex_);
    return events_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> events_;
};

// A door a job waits at until the test opens it.
class Gate {
 public:
  void Open() {
    std::lock_guard lock(mutex_);
    open_ = true;
    opened_.notify_all();
  }
  void Pass() {
    std::unique_lock lock(mutex_);
    opened_.wait(lock, [&] { return open_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable opened_;
  bool open_ = false;
};

class LoggingSink final : public job::ResultSink {
 public:
  explicit LoggingSink(EventLog& log) : log_(log) {}
  void SetCaption(const char* name) override { log_.Add(std::string("caption ") + name); }
  bool Deliver(std::unique_ptr<job::JobResult> result) override {
    if (gone_) return false;
    log_.Add("result " + std::string(result->name));
    return true;
  }
  // Like a destroyed window: results are refused from now on.
  void Go() { gone_ = true; }

 private:
  EventLog& log_;
  std::atomic<bool> gone_{false};
};

std::unique_ptr<job::JobRequest> Request(const char* name) {
  auto request = std::make_unique<job::JobRequest>();
  platform::CopyText(request->path, sizeof request->path, name);
  return request;
}

// A worker whose jobs log their start, wait at the gate when their name
// begins with "slow", and answer with their name.
struct Fixture {
  Fixture()
      : sink(log),
        worker(running, sink, [this](job::JobRequest& request, job::ResultSink& resultSink) {
          log.Add(std::string("run ") + request.path);
          resultSink.SetCaption(request.path);
          if (std::string(request.path).rfind("slow", 0) == 0) gate.Pass();
          auto result = std::make_unique<job::JobResult>();
          platform::CopyText(result->name, sizeof result->name, request.path);
          return result;
        }) {}

  EventLog log;
  Gate gate;
  job::RunningFlag running;
  LoggingSink sink;
  job::CWrkThread worker;
};

TEST(Worker, RunsJobsOneAfterAnotherInPostingOrder) {
  Fixture f;
  ASSERT_TRUE(f.worker.Start());
  for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(f.worker.Post(Request(name)));
  f.worker.Quit();
  EXPECT_EQ(f.log.Events(), (std::vector<std::string>{"run a", "caption a", "result a", "run b",
                                                      "caption b", "result b", "run c",
                                                      "caption c", "result c"}));
}

TEST(Worker, AHeldWorkerStartsNothingUntilReleased) {
  Fixture f;
  ASSERT_TRUE(f.worker.Start());
  f.worker.Hold();
  f.worker.Hold();
  for (const char* name : {"a", "b"}) ASSERT_TRUE(f.worker.Post(Request(name)));
  // Time for a worker that ignored the hold to show it.
  std::this_thread::sleep_for(50ms);
  f.log.Add("first release");
  f.worker.Release();
  std::this_thread::sleep_for(50ms);
  f.log.Add("second release");
  f.worker.Release();
  f.worker.Quit();
  EXPECT_EQ(f.log.Events(),
            (std::vector<std::string>{"first release", "second release", "run a", "caption a",
                                      "result a", "run b", "caption b", "result b"}));
}

TEST(Worker, AHoldTakesEffectBetweenJobsNeverInsideOne) {
  Fixture f;
  ASSERT_TRUE(f.worker.Start());
  ASSERT_TRUE(f.worker.Post(Request("slow")));
  f.log.WaitFor(2);  // the slow job has begun
  // Holding must not wait for the running job (it waits at the gate, which
  // only this thread opens), nor stop it.
  f.worker.Hold();
  ASSERT_TRUE(f.worker.Post(Request("next")));
  f.gate.Open();
  f.log.WaitFor(3);
  std::this_thread::sleep_for(50ms);
  f.log.Add("release");
  f.worker.Release();
  f.worker.Quit();
  EXPECT_EQ(f.log.Events(), (std::vector<std::string>{"run slow", "caption slow", "result slow",
                                                      "release", "run next", "caption next",
                                                      "result next"}));
}

TEST(Worker, ShutDownFinishesTheRunningJobAndDropsTheQueuedOnes) {
  Fixture f;
  ASSERT_TRUE(f.worker.Start());
  ASSERT_TRUE(f.worker.Post(Request("slow")));
  for (const char* name : {"b", "c"}) ASSERT_TRUE(f.worker.Post(Request(name)));
  f.log.WaitFor(2);
  // The window is gone and shut-down begins while the slow job runs.
  f.sink.Go();
  f.running.BeginShutDown();
  f.gate.Open();
  f.worker.Quit();
  // The running job's result was refused and freed (the leak checker would
  // tell otherwise); b and c never ran.
  EXPECT_EQ(f.log.Events(), (std::vector<std::string>{"run slow", "caption slow"}));
}

TEST(Worker, RequestsAfterQuitAreRefused) {
  Fixture f;
  ASSERT_TRUE(f.worker.Start());
  f.worker.Quit();
  EXPECT_FALSE(f.worker.Post(Request("late")));
  f.worker.Quit();  // a second quit is harmless
  EXPECT_TRUE(f.log.Events().empty());
}

TEST(Worker, QuittingWhileHeldStillEnds) {
  Fixture f;
  ASSERT_TRUE(f.worker.Start());
  f.worker.Hold();
  ASSERT_TRUE(f.worker.Post(Request("a")));
  f.running.BeginShutDown();
  f.worker.Quit();
  EXPECT_TRUE(f.log.Events().empty());
}

TEST(Worker, AJobWithoutResultDeliversNothing) {
  EventLog log;
  job::RunningFlag running;
  LoggingSink sink(log);
  job::CWrkThread worker(running, sink, [&log](job::JobRequest& request, job::ResultSink&) {
    log.Add(std::string("run ") + request.path);
    return std::unique_ptr<job::JobResult>();
  });
  ASSERT_TRUE(worker.Start());
  ASSERT_TRUE(worker.Post(Request("a")));
  ASSERT_TRUE(worker.Post(Request("b")));
  worker.Quit();
  EXPECT_EQ(log.Events(), (std::vector<std::string>{"run a", "run b"}));
}

}  // namespace
