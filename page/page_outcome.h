// What became of a page that was to be rewritten: done, or why not.
#pragma once

namespace page {

enum class PageOutcome {
  Rewritten,          // the page now holds its new bytes
  Unchanged,          // nothing to change: not a catalogue page, or already tidy
  JournalKept,        // left as it was: it fitted no state of an interrupted write, and the
                      // journal of that write was set aside
  JournalDamaged,     // left as it was: a damaged journal, which may hold part of it, set aside
  Missing,            // no file of that name
  NotAFile,           // a folder, a device, a pipe or a link that leads nowhere
  Linked,             // a symbolic link or a junction: not followed
  Busy,               // held by another program
  ReadOnly,           // marked read-only
  Denied,             // the system refused access
  TooLarge,           // 2 GiB or more
  NoMemory,           // memory ran out before anything was written
  ReadFailed,         // the page or its journal could not be read whole
  JournalNotCreated,  // no journal could be written beside the page: left as it was
  Changed,            // another program changed the page while it was being read
  WriteFailed,        // a write failed; the page was put back as it was
  NotRolledBack,      // a write failed and the page could not be put back: its journal holds it
  StaleJournal,       // a journal of an earlier run is in the way and could not be set aside
  DamagedWebArchive,  // a web archive that cannot be read as its parts: left as it was
};

}  // namespace page
