// The journal that keeps a page's original bytes while the page is being
// rewritten in place, so that a run that dies in the middle of the write
// leaves something to put the page back from. The journal is the file
// "<page>.velkor-journal" beside the page: one header line, then the
// original bytes exactly as they were:
//
//   VELKOR-JOURNAL 2 fix=<0|1> length=<bytes> xxh3=<16 hex digits>\n
//
// The checksum's key names its hash: XXH3 (64 bits), seeded with the job's
// choice. The releases before wrote format 1, whose "checksum=" was a hash
// of their own; such a journal is still read, so that a page a crash of
// that release left is put back or finished all the same.
//
// A journal whose length or checksum does not match was cut short or
// damaged. Everything the journal's format decides is here, on bytes in
// memory; the page's file side uses it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "page/grow_buffer.h"

namespace page {

// The name's last extension holds no "htm", so that no folder search or
// extension test ever takes a journal for a page, and it begins with the
// page's own name, so that the two sort side by side.
inline constexpr std::string_view kJournalSuffix = ".velkor-journal";
// A journal set aside because it did not fit its page: never read again by
// Velkor, kept for the user. The newest one set aside always bears this
// name; an older one there moves to "-kept-2" (or the first free number).
inline constexpr std::string_view kKeptJournalSuffix = ".velkor-journal-kept";
// How many kept journals of one page there may be; beyond, the journal stays
// in the way and the page is not touched.
inline constexpr int kMostKeptJournals = 99;

// "<page>.velkor-journal-kept" for `age` 1, "<page>.velkor-journal-kept-<age>"
// for an older one.
std::string KeptJournalPath(std::string_view page, int age);

// The header line's forms: the one written now, and the previous release's.
enum class JournalFormat { Xxh3 = 2, Legacy = 1 };

// The header line for a journal of `original`; `repairLinks` records the
// job's choice, without which the rewritten page cannot be worked out again.
// Empty when memory ran out. Velkor writes the Xxh3 form; the Legacy one is
// what a journal of the previous release begins with.
GrowBuffer JournalHeader(std::string_view original, bool repairLinks,
                         JournalFormat format = JournalFormat::Xxh3);

struct JournalContents {
  std::string_view original;  // a view into the journal's bytes
  bool repairLinks = false;
};

// Reads a whole journal file. False when it is incomplete or damaged.
bool ParseJournal(std::string_view journal, JournalContents& contents);

// True when `journal`, which does not parse, holds nothing that `page`
// lacks: it is what writing the journal of this very page leaves when cut
// short anywhere, a byte that never reached the disk reading as zero. The
// page was then not touched yet, and the journal may go.
bool IsJournalOfUntouchedPage(std::string_view journal, std::string_view page);

}  // namespace page
