// Several workers at once: results in posting order, and no job overtaking
// an earlier one where the two meet (one "_files" folder, one archive).
#include "job/worker_pool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/text.h"

namespace {

using Strings = std::vector<std::string>;
constexpr std::chrono::seconds kPatience{20};

// Jobs named "<folder>/<page>[:<archive>]" log their steps; each waits before it ends until
// the test opens it, and one with an archive passes the gate first.
class PoolTest : public ::testing::Test, public job::ResultSink {
 protected:
  void Log(const std::string& event) {
    std::lock_guard lock(mutex_);
    events_.push_back(event);
    changed_.notify_all();
  }
  bool Logged(const std::string& event) const {
    return std::ranges::find(events_, event) != events_.end();
  }
  // Waits for `event`; false when it has not come within `patience`.
  bool WaitFor(const std::string& event, std::chrono::milliseconds patience = kPatience) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, patience, [&] { return Logged(event); });
  }
  void Open(const std::string& name) {
    std::lock_guard lock(mutex_);
    open_.insert(name);
    changed_.notify_all();
  }
  size_t IndexOf(const std::string& event) {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::ranges::find(events_, event) - events_.begin());
  }
  void Post(const std::string& name) {
    auto request = std::make_unique<job::JobRequest>();
    platform::CopyText(request->path, sizeof request->path, name.c_str());
    ASSERT_TRUE(pool_.Post(std::move(request)));
  }

  void JobStarted(const char*) override {}
  bool Deliver(std::unique_ptr<job::JobResult> result) override {
    Log("result " + std::string(result->name));
    return true;
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  Strings events_;
  std::set<std::string> open_;
  job::RunningFlag running_;
  job::CJobPool pool_{running_, *this,
                      [this](job::JobRequest& request, job::ResultSink& sink, job::JobGate& gate) {
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
                          changed_.wait(lock, [&] { return open_.count(name) != 0; });
                        }
                        Log("end " + name);
                        auto result = std::make_unique<job::JobResult>();
                        platform::CopyText(result->name, sizeof result->name, name.c_str());
                        sink.Deliver(std::move(result));
                        return nullptr;
                      },
                      3};
};

TEST_F(PoolTest, DeliversTheResultsInPostingOrderWhateverOrderTheJobsEndIn) {
  ASSERT_TRUE(pool_.Start());
  pool_.Hold();
  for (const char* name : {"a/1.htm", "b/2.htm", "c/3.htm"}) Post(name);
  pool_.Release();
  for (const char* name : {"c/3.htm", "b/2.htm"}) {
    ASSERT_TRUE(WaitFor(std::string("start ") + name));
    Open(name);
    ASSERT_TRUE(WaitFor(std::string("end ") + name));
  }
  ASSERT_TRUE(WaitFor("start a/1.htm"));
  EXPECT_FALSE(Logged("result b/2.htm")) << "a result overtook an earlier one";
  Open("a/1.htm");
  pool_.Quit();
  const Strings results(events_.end() - 3, events_.end());
  EXPECT_EQ(results, (Strings{"result a/1.htm", "result b/2.htm", "result c/3.htm"}));
}

TEST_F(PoolTest, TwoPagesOfOneFilesFolderNeverRunAtOnce) {
  ASSERT_TRUE(pool_.Start());
  pool_.Hold();
  for (const char* name : {"d/page.htm", "d/page.html", "e/other.htm"}) Post(name);
  pool_.Release();
  // The third job, of another folder, runs beside the first; the second waits for the first.
  ASSERT_TRUE(WaitFor("start d/page.htm"));
  ASSERT_TRUE(WaitFor("start e/other.htm"));
  EXPECT_FALSE(WaitFor("start d/page.html", std::chrono::milliseconds(300)))
      << "page.html began while page.htm, of the same _files folder, ran";
  for (const char* name : {"d/page.htm", "d/page.html", "e/other.htm"}) Open(name);
  pool_.Quit();
  EXPECT_LT(IndexOf("end d/page.htm"), IndexOf("start d/page.html"));
}

TEST_F(PoolTest, PagesOfOneArchivePackInPostingOrderAndOthersPackBesideThem) {
  ASSERT_TRUE(pool_.Start());
  pool_.Hold();
  for (const char* name : {"f/1.htm:X", "g/2.htm:Y", "h/3.htm:x"}) Post(name);
  pool_.Release();
  // "Y" packs while "X" is packing; "x" (the same name as far as Windows knows) waits.
  ASSERT_TRUE(WaitFor("pack f/1.htm"));
  ASSERT_TRUE(WaitFor("pack g/2.htm")) << "another archive waited for no reason";
  ASSERT_TRUE(WaitFor("start h/3.htm"));
  EXPECT_FALSE(WaitFor("pack h/3.htm", std::chrono::milliseconds(300)))
      << "two jobs packed into one archive at once";
  for (const char* name : {"f/1.htm", "g/2.htm", "h/3.htm"}) Open(name);
  pool_.Quit();
  EXPECT_LT(IndexOf("end f/1.htm"), IndexOf("pack h/3.htm"));
}

TEST_F(PoolTest, OnShutDownTheJobsInHandFinishAndTheRestAreDropped) {
  ASSERT_TRUE(pool_.Start());
  pool_.Hold();
  for (const char* name : {"i/1.htm", "j/2.htm", "k/3.htm", "l/4.htm", "m/5.htm"}) Post(name);
  pool_.Release();
  for (const char* name : {"i/1.htm", "j/2.htm", "k/3.htm"}) {
    ASSERT_TRUE(WaitFor(std::string("start ") + name));
  }
  running_.BeginShutDown();
  for (const char* name : {"i/1.htm", "j/2.htm", "k/3.htm"}) Open(name);
  pool_.Quit();
  EXPECT_FALSE(Logged("start l/4.htm"));
  EXPECT_FALSE(Logged("start m/5.htm"));
  EXPECT_TRUE(Logged("result k/3.htm"));
  EXPECT_FALSE(pool_.Post(std::make_unique<job::JobRequest>()));
}

}  // namespace
