// One job on each sample page, with every file operation and then every
// allocation failed in turn, once or from then on (a disk that fills up, a
// heap that stays empty). Whatever fails, the job must not crash or leak,
// must leave the page as it was or in its final form (or, where the page
// could not be put back, beside its journal), must report Ok only for a page
// in its final form, and a later clean run must finish the page and leave no
// journal behind. And a job's posting, with each of its allocations failed:
// the batch must go on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "job/process_job.h"
#include "job/worker.h"
#include "page/journal.h"
#include "platform/memory.h"
#include "platform/text.h"
#include "tests/support/faulty_files.h"
#include "tests/support/fixtures.h"

namespace {

namespace fs = std::filesystem;
using testsupport::ReadFile;

// The allocations of this program are counted, and the armed one fails.
long g_allocations = 0;
long g_failAt = 0;  // 0: none fails
long g_armedAt = 0;  // what g_failAt becomes when the job begins
bool g_failFromThenOn = false;

bool AllocationFails() {
  if (g_failAt == 0) return false;
  ++g_allocations;
  return g_allocations == g_failAt || (g_failFromThenOn && g_allocations > g_failAt);
}

// The page buffers' growth, counted with the rest.
struct CountingAllocator final : platform::Allocator {
  void* Reallocate(void* block, size_t size) override {
    return AllocationFails() ? nullptr : std::realloc(block, size);
  }
};

}  // namespace

// The replacements below pair malloc and free themselves; GCC, seeing free()
// where a new[] was inlined, takes it for a mismatch.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t size) {
  void* block = AllocationFails() ? nullptr : std::malloc(size == 0 ? 1 : size);
  if (block == nullptr) throw std::bad_alloc();
  return block;
}
void* operator new[](std::size_t size) { return operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  return AllocationFails() ? nullptr : std::malloc(size == 0 ? 1 : size);
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { operator delete(block); }
void operator delete(void* block, std::size_t) noexcept { operator delete(block); }
void operator delete[](void* block, std::size_t) noexcept { operator delete(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { operator delete(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { operator delete(block); }

namespace {

const char* const kSamplePages[] = {"Starlight Harbor.htm", "Frost Wind.htm",
                                    "Quiet Valley.htm",     "Lantern Road.html",
                                    "Paper Cranes.htm",     "Clockwork Garden.htm",
                                    "Moonlit Ferry.mhtml",  "Amber Orchard.mhtml"};
// An archiver that cannot start: its arguments are composed all the same.
job::JobSettings Settings() {
  job::JobSettings settings;
  settings.archiver.format = "%s %s %s";
  settings.archiver.program = "/nowhere/archiver";
  return settings;
}
const job::JobSettings kSettings = Settings();

// Keeps the names of the results delivered to it.
struct Names final : job::ResultSink {
  void JobStarted(const char*) override {}
  bool Deliver(std::unique_ptr<job::JobResult> result) override {
    delivered.emplace_back(result->name);
    return true;
  }
  std::vector<std::string> delivered;
};

bool IsPageFailure(int32_t status) {
  return status <= job::STATUS_PAGE_MISSING && status >= job::STATUS_STALE_JOURNAL;
}

// One sample page with its "_files" folder (a web archive has none), copied afresh.
class SamplePage {
 public:
  explicit SamplePage(const std::string& name)
      : name_(name), original_(testsupport::Sample(name)), final_(testsupport::Expected(name)),
        // A web archive keeps its name.
        renamed_(folder_.Path(fs::exists(testsupport::kSamples / "expected" / name)
                                  ? name
                                  : fs::path(name).stem().string() + ".htm")) {
    testsupport::CopySample(folder_, name);
  }

  // Runs the job on the page under the name it has now; `arm` and `disarm`
  // enclose the job alone.
  int32_t Process(void (*arm)() = [] {}, void (*disarm)() = [] {}) {
    job::JobRequest request;
    request.fix = 1;
    request.archive = 1;
    const std::string path = fs::exists(folder_.Path(name_)) ? folder_.Path(name_) : renamed_;
    platform::CopyText(request.path, sizeof request.path, path.c_str());
    Names sink;
    arm();
    std::unique_ptr<job::JobResult> result = job::ProcessJob(request, sink, kSettings);
    disarm();
    return result ? result->status : job::STATUS_PAGE_NO_MEMORY;
  }

  std::string Current() const {
    return fs::exists(folder_.Path(name_)) ? ReadFile(folder_.Path(name_)) : ReadFile(renamed_);
  }
  std::vector<std::string> Journals() const {
    std::vector<std::string> journals;
    for (const auto& entry : fs::directory_iterator(folder_.path()))
      if (entry.path().string().find(page::kJournalSuffix) != std::string::npos)
        journals.push_back(entry.path().filename().string());
    return journals;
  }

  // What the faulty run left, then a clean run after it.
  void Check(int32_t status, const std::string& what) {
    SCOPED_TRACE(what + ", status " + std::to_string(status));
    const std::string current = Current();
    if (!IsPageFailure(status)) {
      EXPECT_EQ(current, final_) << "reported done, but not in its final form";
    } else if (status == job::STATUS_PAGE_NOT_ROLLED_BACK) {
      const std::vector<std::string> journals = Journals();
      ASSERT_EQ(journals.size(), 1u);
      page::JournalContents contents;
      const std::string journal = ReadFile(folder_.Path(journals[0]));
      ASSERT_TRUE(page::ParseJournal(journal, contents)) << "the page's only copy is damaged";
      EXPECT_EQ(contents.original, original_);
    } else {
      // A journal may be left where the disk failed its removal too; the
      // clean run below must settle it.
      EXPECT_TRUE(current == original_ || current == final_) << "the page is torn";
    }
    EXPECT_FALSE(IsPageFailure(Process())) << "the clean run after it";
    EXPECT_EQ(Current(), final_);
    EXPECT_TRUE(Journals().empty());
  }

 private:
  testsupport::TempFolder folder_;
  std::string name_, original_, final_, renamed_;
};

// Runs `inject` (which arms the fault, runs the job and gives the operations
// it counted) on every sample page for the 1st, 2nd... operation, once and
// from then on, until the job no longer reaches it, checking each. Returns
// the points reached.
long Sweep(const char* what, const std::function<long(SamplePage&, long nth, bool fromThenOn,
                                                      int32_t& status)>& inject) {
  long points = 0;
  for (const char* name : kSamplePages) {
    for (const bool fromThenOn : {false, true}) {
      for (long nth = 1;; ++nth) {
        SamplePage sample(name);
        int32_t status = 0;
        const bool reached = inject(sample, nth, fromThenOn, status) >= nth;
        sample.Check(status, std::string(name) + ", " + what + " " + std::to_string(nth) +
                                 (fromThenOn ? " on" : " once"));
        if (!reached) break;
        ++points;
      }
    }
  }
  std::printf("%ss failed: %ld\n", what, points);
  return points;
}

TEST(FaultSweep, AFileOperationThatFailsAnywhereInAJobLosesNoPage) {
  using Mode = testsupport::FaultyFiles::Mode;
  const long points = Sweep("file operation", [](SamplePage& sample, long nth, bool fromThenOn,
                                                 int32_t& status) {
    testsupport::FaultyFiles files;
    const platform::ScopedFileSystem scoped(files);
    files.FailAt(nth, fromThenOn ? Mode::FromThenOn : Mode::Once);
    status = sample.Process();
    return files.count();
  });
  RecordProperty("injection points", static_cast<int>(points));
}

TEST(FaultSweep, AnAllocationThatFailsAnywhereInAJobLosesNoPage) {
  CountingAllocator heap;
  const platform::ScopedAllocator scoped(heap);
  const long points = Sweep("allocation", [](SamplePage& sample, long nth, bool fromThenOn,
                                             int32_t& status) {
    g_failFromThenOn = fromThenOn;
    g_armedAt = nth;
    status = sample.Process([] { g_allocations = 0, g_failAt = g_armedAt; }, [] { g_failAt = 0; });
    return g_allocations;
  });
  RecordProperty("injection points", static_cast<int>(points));
}

// A request the pool cannot find room for is refused whole: a job recorded
// without its place in the queue would never finish, and hold back every
// later result for good.
TEST(FaultSweep, APostWhoseAllocationFailsLeavesNoJobBehind) {
  const auto request = [](const char* path) {
    auto made = std::make_unique<job::JobRequest>();
    platform::CopyText(made->path, sizeof made->path, path);
    return made;
  };
  // A path long enough that its "_files" folder's name needs the heap.
  const std::string first(300, 'p');
  long nth = 1;
  for (;; ++nth) {
    Names sink;
    job::RunningFlag running;
    job::CJobPool pool(running, sink, [](job::JobRequest& posted, job::ResultSink&, job::JobGate&) {
      auto result = std::make_unique<job::JobResult>();
      platform::CopyText(result->name, sizeof result->name, posted.path);
      return result;
    }, 1);
    auto made = request(first.c_str());
    // The workers start afterwards: only the posting allocates meanwhile.
    g_failFromThenOn = false;
    g_allocations = 0;
    g_failAt = nth;
    const bool posted = pool.Post(std::move(made));
    g_failAt = 0;
    ASSERT_TRUE(pool.Post(request("later.htm")));
    ASSERT_TRUE(pool.Start());
    pool.Quit();
    EXPECT_EQ(sink.delivered.size(), posted ? 2u : 1u) << "allocation " << nth;
    EXPECT_EQ(sink.delivered.back(), "later.htm") << "allocation " << nth;
    if (g_allocations < nth) break;
  }
  EXPECT_GE(nth, 4) << "the folder's name, the record and the queue's room each failed";
}

}  // namespace
