// The power cut swept over every change a job makes to the disk, with
// several ways of losing what was not flushed at each, on a page that
// shrinks (and is renamed) and one that grows; then the next run. With Sync=1
// the page must end in its final form byte for byte, with no journal left
// (which proves the order of flushes: the journal, its folder, the page, then
// the journal's removal). With Sync=0 the next run must never make things
// worse: the page is finished, or left exactly as the cut left it with every
// journal kept; the cases where the cut itself left a torn page and no copy
// are counted.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

#include "job/job_records.h"
#include "page/journal.h"
#include "tests/support/page_under_test.h"
#include "tests/support/power_loss_files.h"

namespace {

using testsupport::PageUnderTest;
using testsupport::PowerLossFiles;

constexpr uint32_t kLossPatterns = 14;

struct Tally {
  long cuts = 0, finished = 0, leftWithJournal = 0, tornWithoutCopy = 0;
};

// True when each byte of the journal after its header line (of `header`
// bytes) is the page's at the same place, or one that never reached the disk.
bool HoldsNothingBeyond(const std::string& journal, size_t header, const std::string& page) {
  for (size_t i = header; i < journal.size(); ++i) {
    if (journal[i] != '\0' && (i - header >= page.size() || journal[i] != page[i - header])) {
      return false;
    }
  }
  return true;
}

// Every cut of one job on `page`, each followed by the next run.
void SweepPowerCuts(const PageUnderTest& page, bool sync, Tally& tally) {
  PowerLossFiles files(page.folder().path().string());
  const size_t header = page::JournalHeader(page.original(), true).View().size();
  ASSERT_EQ(page.Process(sync, &files), job::STATUS_ARCHIVER_NOT_STARTED)
      << "the uninterrupted job";
  files.ForEachCut(kLossPatterns, [&](const std::string& cutWhere) {
    const std::string what = page.name() + (sync ? ", Sync=1, " : ", Sync=0, ") + cutWhere;
    const std::string cut = page.Current();
    const std::map<std::string, std::string> journals = page.Journals();
    const int32_t status = page.Process(sync);
    ++tally.cuts;
    if (page.Current() == page.final() && page.Journals().empty()) {
      ++tally.finished;
      return;
    }
    ASSERT_FALSE(sync) << what << ", status " << status << ": not finished";
    // Every journal that held anything the page lacked is still there.
    const std::map<std::string, std::string> after = page.Journals();
    for (const auto& [name, bytes] : journals) {
      bool kept = HoldsNothingBeyond(bytes, header, cut);
      for (const auto& [keptName, keptBytes] : after) kept = kept || keptBytes == bytes;
      EXPECT_TRUE(kept) << what << ": " << name << " is gone";
    }
    if (page.Current() == cut && !after.empty()) {
      ++tally.leftWithJournal;
    } else {
      // No journal held a copy and the page is torn: nothing to recover
      // from, whatever the next run does with it.
      EXPECT_TRUE(cut != page.original() && cut != page.final()) << what;
      ++tally.tornWithoutCopy;
    }
  });
}

TEST(PowerLoss, ACutAnywhereInAJobLeavesThePageWholeWithSyncAndNeverWorseWithout) {
  for (const bool sync : {true, false}) {
    Tally tally;
    for (const char* sample : {"Frost Wind.htm", "Lantern Road.html"}) {
      SweepPowerCuts(PageUnderTest(sample), sync, tally);
    }
    SweepPowerCuts(PageUnderTest("Kiri.htm", testsupport::GrowingPage()), sync, tally);
    std::printf("Sync=%d: %ld cuts (%u loss patterns at each change), %ld pages whole, "
                "%ld left as cut with their journals, %ld torn with no copy\n",
                sync, tally.cuts, kLossPatterns, tally.finished, tally.leftWithJournal,
                tally.tornWithoutCopy);
  }
}

}  // namespace
