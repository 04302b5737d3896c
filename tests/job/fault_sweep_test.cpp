// One job on each sample page, with every file operation and then every
// allocation failed in turn, once or from then on (a disk that fills up, a
// heap that stays empty). Whatever fails, the job must not crash or leak,
// must leave the page as it was or in its final form (or, where the page
// could not be put back, beside its journal), must report Ok only for a page
// in its final form, and a later clean run must finish the page and leave no
// journal behind.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "job/process_job.h"
#include "page/grow_buffer.h"
#include "page/journal.h"
#include "platform/text.h"
#include "tests/support/faulty_files.h"
#include "tests/support/temp_folder.h"

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

const fs::path kSamples = VELKOR_SAMPLES_DIR;
const char* const kSamplePages[] = {"Starlight Harbor.htm", "Frost Wind.htm",
                                    "Quiet Valley.htm",     "Lantern Road.html",
                                    "Paper Cranes.htm",     "Clockwork Garden.htm"};
// An archiver that cannot start: its arguments are composed all the same.
job::JobSettings Settings() {
  job::JobSettings settings;
  settings.archiver.format = "%s %s %s";
  settings.archiver.program = "/nowhere/archiver";
  return settings;
}
const job::JobSettings kSettings = Settings();

struct QuietSink final : job::ResultSink {
  void JobStarted(const char*) override {}
  bool Deliver(std::unique_ptr<job::JobResult>) override { return true; }
};

bool IsPageFailure(int32_t status) {
  return (status <= job::STATUS_PAGE_MISSING && status >= job::STATUS_PAGE_LINKED &&
          status != job::STATUS_ARCHIVE_NO_MEMORY);
}

// One sample page with its "_files" folder, copied afresh.
class SamplePage {
 public:
  explicit SamplePage(const std::string& name) : name_(name) {
    const fs::path stem = fs::path(name).stem();
    fs::copy_file(kSamples / name, folder_.path() / name);
    fs::copy(kSamples / (stem.string() + "_files"), folder_.path() / (stem.string() + "_files"),
             fs::copy_options::recursive);
    original_ = ReadFile(folder_.Path(name));
    final_ = ReadFile((kSamples / "expected" / stem).string() + ".htm");
    renamed_ = folder_.Path(stem.string() + ".htm");
  }

  // Runs the job on the page under the name it has now; `arm` and `disarm`
  // enclose the job alone.
  int32_t Process(void (*arm)() = [] {}, void (*disarm)() = [] {}) {
    job::JobRequest request;
    request.fix = 1;
    request.archive = 1;
    const std::string path = fs::exists(folder_.Path(name_)) ? folder_.Path(name_) : renamed_;
    platform::CopyText(request.path, sizeof request.path, path.c_str());
    QuietSink sink;
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

TEST(FaultSweep, AFileOperationThatFailsAnywhereInAJobLosesNoPage) {
  long points = 0;
  for (const char* name : kSamplePages) {
    for (const auto mode : {testsupport::FaultyFiles::Mode::Once,
                            testsupport::FaultyFiles::Mode::FromThenOn}) {
      for (long nth = 1;; ++nth) {
        SamplePage sample(name);
        testsupport::FaultyFiles files;
        int32_t status;
        {
          const platform::ScopedFileSystem scoped(files);
          files.FailAt(nth, mode);
          status = sample.Process();
        }
        const bool reached = files.count() >= nth;
        sample.Check(status, std::string(name) + ", operation " + std::to_string(nth) +
                                 (mode == testsupport::FaultyFiles::Mode::Once ? " once" : " on"));
        if (!reached) break;
        ++points;
      }
    }
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
        SamplePage sample(name);
        g_failFromThenOn = fromThenOn;
        g_armedAt = nth;
        const int32_t status = sample.Process([] { g_allocations = 0, g_failAt = g_armedAt; },
                                              [] { g_failAt = 0; });
        const bool reached = g_allocations >= nth;
        sample.Check(status, std::string(name) + ", allocation " + std::to_string(nth) +
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
