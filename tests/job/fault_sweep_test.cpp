// One job on each sample page with every file operation, then every
// allocation, failed in turn; and a job's posting with each of its
// allocations failed, after which the batch must go on.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "job/job_records.h"
#include "job/worker.h"
#include "page/journal.h"
#include "platform/memory.h"
#include "platform/text.h"
#include "tests/support/faulty_files.h"
#include "tests/support/page_under_test.h"

namespace {

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
  return (status <= job::STATUS_PAGE_MISSING && status >= job::STATUS_PAGE_LINKED &&
          status != job::STATUS_ARCHIVE_NO_MEMORY);
}

// Whatever failed, the job must not crash or leak, must leave the page as it
// was, in its final form or beside its journal, and may report Ok only for
// the final form; a clean run after it must finish the page. A page whose
// journal was cut short must not have been touched: were its own write to
// fail then, nothing whole would be left to put back.
void Check(const testsupport::PageUnderTest& sample, int32_t status, const std::string& what,
           bool journalCutShort = false) {
  SCOPED_TRACE(what + ", status " + std::to_string(status));
  const std::string current = sample.Current();
  const std::map<std::string, std::string> journals = sample.Journals();
  if (journalCutShort) {
    EXPECT_EQ(current, sample.original()) << "written after a cut journal";
  }
  if (!IsPageFailure(status)) {
    EXPECT_EQ(current, sample.final()) << "reported done, but not in its final form";
  } else if (status == job::STATUS_PAGE_NOT_ROLLED_BACK) {
    ASSERT_EQ(journals.size(), 1u);
    page::JournalContents contents;
    ASSERT_TRUE(page::ParseJournal(journals.begin()->second, contents))
        << "the page's only copy is damaged";
    EXPECT_EQ(contents.original, sample.original());
  } else {
    // A journal may be left where the disk failed its removal too; the
    // clean run below must settle it.
    EXPECT_TRUE(current == sample.original() || current == sample.final()) << "the page is torn";
  }
  EXPECT_FALSE(IsPageFailure(sample.Process())) << "the clean run after it";
  EXPECT_EQ(sample.Current(), sample.final());
  EXPECT_TRUE(sample.Journals().empty());
}

TEST(FaultSweep, AFileOperationOrAnAllocationThatFailsAnywhereInAJobLosesNoPage) {
  CountingAllocator heap;
  const platform::ScopedAllocator scoped(heap);
  long operations = 0, allocations = 0;
  for (const char* name : kSamplePages) {
    std::optional<testsupport::PageUnderTest> sample;
    int32_t status = 0;
    bool journalCutShort = false;
    operations += testsupport::FaultyFiles::Sweep(
        [&](testsupport::FaultyFiles& files) {
          sample.emplace(name);
          status = sample->Process(true, &files);
          journalCutShort = files.journalCutShort;
        },
        [&](const std::string& what) {
          Check(*sample, status, name + (", " + what), journalCutShort);
        });
    for (const bool fromThenOn : {false, true}) {
      for (long nth = 1;; ++nth) {
        sample.emplace(name);
        g_failFromThenOn = fromThenOn;
        g_armedAt = nth;
        status = sample->Process(
            true, nullptr, [] { g_allocations = 0, g_failAt = g_armedAt; }, [] { g_failAt = 0; });
        const bool reached = g_allocations >= nth;
        Check(*sample, status, std::string(name) + ", allocation " + std::to_string(nth) +
                                   (fromThenOn ? " on" : " once"));
        if (!reached) break;
        ++allocations;
      }
    }
  }
  std::printf("file operations failed: %ld; allocations failed: %ld\n", operations, allocations);
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
