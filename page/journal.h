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
// A journal whose length or checksum does not match was itself cut short;
// the page was not touched yet then. Everything here works on bytes in
// memory; the page's file side uses it.
#pragma once

#include <cstdint>
#include <string_view>

#include "page/grow_buffer.h"

namespace page {

// The name's last extension holds no "htm", so that no folder search or
// extension test ever takes a journal for a page, and it begins with the
// page's own name, so that the two sort side by side.
inline constexpr std::string_view kJournalSuffix = ".velkor-journal";
// A journal set aside because its page had changed since: never read again.
inline constexpr std::string_view kKeptJournalSuffix = ".velkor-journal-kept";

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

// True when `page` is what an interrupted write of `rewritten` over
// `original` can leave: each byte is the one of either at its place, and the
// length lies between the two lengths. The write goes from the start and is
// cut to its length at the end; a power cut may also leave later blocks
// written before earlier ones. The original and the rewritten page count.
bool IsInterruptedWrite(std::string_view page, std::string_view original,
                        std::string_view rewritten);

}  // namespace page
