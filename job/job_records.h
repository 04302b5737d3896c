// The records that travel between the intake and the worker, and the codes
// both sides agree on. A record has exactly one owner at a time: it is
// handed over as a std::unique_ptr and freed by whoever holds it last.
#pragma once

#include <cstdint>

namespace job {

// One page to process. Made by the intake, owned by the worker once posted.
struct JobRequest {
  char path[1024] = {};  // the worker may change its extension in place
  int32_t archive = 0;   // 1: run the archiver after cleaning
  int32_t fix = 0;       // 1: repair the links of a page saved by Firefox
};

// The outcome of one processed page. Made by the worker, owned by the
// front end once delivered.
struct JobResult {
  int32_t status = 0;
  char name[1028] = {};  // the page's file name, after any renaming
};

static_assert(sizeof(JobRequest) == 1032 && sizeof(JobResult) == 1032,
              "the records keep the layout the Windows program posts between threads");

// Status values; any other value is the archiver's own exit code.
inline constexpr int32_t STATUS_OK = 0;
inline constexpr int32_t STATUS_ARCHIVER_NOT_STARTED = -1;
inline constexpr int32_t STATUS_NO_ACTIONS = -2;

// A page that was to be repaired or cleaned and could not be. These lie far
// from the small codes programs end with, and win over the archiver's code:
// a page left as it was matters more than how it was packed.
inline constexpr int32_t STATUS_PAGE_MISSING = -101;
inline constexpr int32_t STATUS_PAGE_NOT_A_FILE = -102;      // a folder, device, pipe, dead link
inline constexpr int32_t STATUS_PAGE_BUSY = -103;            // held by another program
inline constexpr int32_t STATUS_PAGE_READ_ONLY = -104;
inline constexpr int32_t STATUS_PAGE_DENIED = -105;
inline constexpr int32_t STATUS_PAGE_TOO_LARGE = -106;       // 2 GiB or more
inline constexpr int32_t STATUS_PAGE_NO_MEMORY = -107;
inline constexpr int32_t STATUS_PAGE_READ_FAILED = -108;
inline constexpr int32_t STATUS_JOURNAL_NOT_CREATED = -109;  // the page was left as it was
inline constexpr int32_t STATUS_PAGE_CHANGED = -110;         // by another program, meanwhile
inline constexpr int32_t STATUS_PAGE_WRITE_FAILED = -111;    // the page was put back as it was
inline constexpr int32_t STATUS_PAGE_NOT_ROLLED_BACK = -112; // its journal holds the original
inline constexpr int32_t STATUS_JOURNAL_KEPT = -113;         // the page was left as it was
inline constexpr int32_t STATUS_STALE_JOURNAL = -114;        // the page was left as it was
// The archiver could not be started for want of memory.
inline constexpr int32_t STATUS_ARCHIVE_NO_MEMORY = -115;
// A web archive that cannot be read as its parts; it was left as it was.
inline constexpr int32_t STATUS_WEB_ARCHIVE_DAMAGED = -116;
inline constexpr int32_t STATUS_JOURNAL_DAMAGED = -117;      // the page was left as it was
inline constexpr int32_t STATUS_PAGE_LINKED = -118;          // a link: not followed
// The archiver's own ends: it ran out the time the batch command line gave
// it, or the batch was interrupted (Ctrl+C, a terminate request) while it
// ran or before it started. Either way it was ended, and the page is whole.
inline constexpr int32_t STATUS_ARCHIVER_TIMED_OUT = -121;
inline constexpr int32_t STATUS_ARCHIVER_INTERRUPTED = -122;
// What the intake reports of an entry it cannot take; never a job's status.
inline constexpr int32_t STATUS_PATH_TOO_LONG = -123;
inline constexpr int32_t STATUS_NOT_LOCAL_FILE = -125;  // a dropped URL of no local file

// Commands in the worker's queue.
inline constexpr int WRK_CMD_JOB = 1;
inline constexpr int WRK_CMD_QUIT = 2;

}  // namespace job
