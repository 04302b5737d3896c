// One job on each sample page, with every file operation and then every
// allocation failed in turn, once or from then on (a disk that is gone or
// full, a heap that stays empty). Whatever fails, the job must not crash or
// leak, must leave the page as it was or in its final form (or, where the page
// could not be put back, beside its journal), must report Ok only for a page
// in its final form, and a later clean run must finish the page and leave no
// journal behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <new>
#include <optional>
#include <string>

#include "job/job_records.h"
#include "page/grow_buffer.h"
#include "page/journal.h"
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

void* CountingRealloc(void* block, size_t size) {
  return AllocationFails() ? nullptr : std::realloc(block, size);
}

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

bool IsPageFailure(int32_t status) {
  return (status <= job::STATUS_PAGE_MISSING && status >= job::STATUS_PAGE_LINKED &&
          status != job::STATUS_ARCHIVE_NO_MEMORY);
}

// What the faulty run left, then a clean run after it.
void Check(const testsupport::PageUnderTest& sample, int32_t status, const std::string& what) {
  SCOPED_TRACE(what + ", status " + std::to_string(status));
  const std::string current = sample.Current();
  const std::map<std::string, std::string> journals = sample.Journals();
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

TEST(FaultSweep, AFileOperationThatFailsAnywhereInAJobLosesNoPage) {
  long points = 0;
  for (const char* name : kSamplePages) {
    std::optional<testsupport::PageUnderTest> sample;
    int32_t status = 0;
    points += testsupport::FaultyFiles::Sweep(
        [&](testsupport::FaultyFiles& files) {
          sample.emplace(name);
          status = sample->Process(true, &files);
        },
        [&](const std::string& what) { Check(*sample, status, name + (", " + what)); });
  }
  RecordProperty("injection points", static_cast<int>(points));
  std::printf("file operations failed: %ld\n", points);
}

TEST(FaultSweep, AnAllocationThatFailsAnywhereInAJobLosesNoPage) {
  const page::testing::ReallocFunction previous =
      page::testing::SetGrowBufferRealloc(CountingRealloc);
  long points = 0;
  for (const char* name : kSamplePages) {
    for (const bool fromThenOn : {false, true}) {
      for (long nth = 1;; ++nth) {
        const testsupport::PageUnderTest sample(name);
        g_failFromThenOn = fromThenOn;
        g_armedAt = nth;
        const int32_t status = sample.Process(
            true, nullptr, [] { g_allocations = 0, g_failAt = g_armedAt; }, [] { g_failAt = 0; });
        const bool reached = g_allocations >= nth;
        Check(sample, status, std::string(name) + ", allocation " + std::to_string(nth) +
                                 (fromThenOn ? " on" : " once"));
        if (!reached) break;
        ++points;
      }
    }
  }
  page::testing::SetGrowBufferRealloc(previous);
  RecordProperty("injection points", static_cast<int>(points));
  std::printf("allocations failed: %ld\n", points);
}

}  // namespace
