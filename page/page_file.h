// The file side of a page's rewrite: read the page whole, and put its new
// bytes in place the rollback-journal way, so that no moment of the write
// (a failed write, a killed process, a power cut) can lose the page.
#pragma once

#include <string_view>

#include "page/grow_buffer.h"
#include "page/page_outcome.h"
#include "platform/files.h"

namespace page {

// The largest page read: the most that the signed 32-bit counts of a buffer
// hold with the spare byte behind them. Pages of 2 GiB or more are never
// touched.
inline constexpr uint64_t kMaxPageSize = (uint64_t{1} << 31) - 2;

// Reads the whole file into `bytes` (given empty). False, with `bytes` empty
// and `failure` telling why (TooLarge, NoMemory or ReadFailed), when the page
// cannot be held in memory whole.
bool ReadWholeFile(platform::ExclusiveFile& file, GrowBuffer& bytes, PageOutcome& failure);

// The same for a file whose size the caller has just learnt (from its stamp).
bool ReadWholeFile(platform::ExclusiveFile& file, uint64_t size, GrowBuffer& bytes,
                   PageOutcome& failure);

// How a page is written.
struct WriteSettings {
  bool repairLinks = false;  // the job's choice, recorded in the journal
  bool sync = true;          // each step on the disk itself before the next
};

// Puts `rewritten` in place of `original` in the page held open in `file` at
// `path`: the original goes to the page's journal first (as private as the
// page, flushed to the disk with its folder when `sync`), the page is
// checked against `readStamp` (another program may have changed it since it
// was read), written and cut to length (flushed), and the journal removed.
// A write that fails is undone where that is safe, finished where it can
// be, and otherwise left to the journal. Gives Rewritten, JournalNotCreated,
// Changed, WriteFailed (the page is as it was), or NotRolledBack (the
// journal then stays beside the page and holds its original).
PageOutcome WriteThroughJournal(const char* path, platform::ExclusiveFile& file,
                                const platform::FileStamp& readStamp, std::string_view original,
                                std::string_view rewritten, const WriteSettings& settings);

// Settles the journal that a run which died during a write may have left
// beside the page held open in `file` at `path`, before the page is read.
// The journal goes only when it holds nothing the page lacks; the page is
// changed only from a state Velkor's own writes leave:
// - none: Unchanged;
// - one cut short while it was written (the page was not touched yet), or
//   the page is its original or its rewritten form: the journal is removed
//   (the page flushed first when `sync`), Unchanged;
// - the page is a write or a rollback cut short: that is finished, the
//   journal removed, Unchanged (NotRolledBack when it cannot be);
// - anything else (a page saved again or edited since, a damaged journal):
//   the page is left as it is and the journal set aside under
//   "<page>.velkor-journal-kept", JournalKept or JournalDamaged (StaleJournal
//   when that cannot be done).
// Reading failures give ReadFailed, NoMemory or TooLarge.
PageOutcome SettleJournal(const char* path, platform::ExclusiveFile& file, bool sync);

}  // namespace page
