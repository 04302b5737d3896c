// Input intake: turns the paths a user hands the program (command line,
// drops, the batch command line's arguments) into job requests for the
// worker, and keeps the counts through which a front end learns that all
// work is done. Toolkit-free; every front end runs it on its own thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "job/job_records.h"
#include "job/worker.h"

namespace app {

// Room of a folder's search pattern and of each candidate found in it,
// terminator included, in characters as the system counts them (UTF-16
// units on Windows, bytes elsewhere: platform::PathLength).
inline constexpr size_t kSearchPathCapacity = 260;

// The states of the two option boxes, read anew for every request.
class OptionBoxes {
 public:
  virtual ~OptionBoxes() = default;
  virtual bool ArchiveChecked() const = 0;
  virtual bool FixChecked() const = 0;
};

// An entry the intake cannot take: the path as far as it was known, and why
// (job::STATUS_PATH_TOO_LONG, job::STATUS_PAGE_NOT_A_FILE), which the log
// line tells. It counts as a failed job: no self-closing follows.
struct Refusal {
  std::string path;
  int32_t status = 0;
};

// True when the path's extension holds "htm" or "HTM".
bool PassesExtensionTest(const char* path);

// Writes to `resolved` the path with its last component replaced by the
// name under which it is stored (its long name and stored letter case; for a
// wildcard component, the first match). A path that cannot be found stays
// as given. Returns STATUS_OK, or STATUS_PATH_TOO_LONG when the path does
// not fit.
int32_t ResolveLongName(const char* path, char (&resolved)[sizeof job::JobRequest::path]);

class Intake {
 public:
  // `worker` and `boxes` must outlive the intake.
  Intake(job::JobPoster& worker, const OptionBoxes& boxes);

  // The command line, once at start-up: queues its paths as one batch and
  // then sets AutoClose to PendingJobs.
  void ParseCommandLine(const char* argumentText);
  // The same for paths already split.
  void TakeCommandLine(const std::vector<std::string>& paths);

  // One batch (a drop): the worker is held while every path is queued.
  void QueueBatch(const std::vector<std::string>& paths);

  // One path: a file passing the extension test, or each such file directly
  // inside a folder, becomes a request.
  void QueueInput(const char* path);

  // A request for `path` with the boxes' current states; null when memory
  // ran out or the path does not fit.
  std::unique_ptr<job::JobRequest> CreateJobRequest(const char* path) const;

  // Hands the request to the worker and counts it as pending.
  void PostJobRequest(std::unique_ptr<job::JobRequest> request);

  // Counts a handled result off; a non-zero status cancels the closing.
  void OnResult(int32_t status);

  // Records an entry that cannot be taken; it cancels the closing.
  void Refuse(std::string path, int32_t status);
  // The entries refused since the last call, in the order met.
  std::vector<Refusal> TakeRefusals();

  // Requests posted and not yet answered.
  int32_t PendingJobs() const { return pendingJobs_; }
  // Non-zero when the command line queued pages and every result so far
  // had status 0: the window may close itself once nothing is pending.
  int32_t AutoClose() const { return autoClose_; }

 private:
  void QueueFolder(const char* folder);
  void QueueFile(const char* path);

  job::JobPoster& worker_;
  const OptionBoxes& boxes_;
  int32_t pendingJobs_ = 0;
  int32_t autoClose_ = 0;
  std::vector<Refusal> refusals_;
  size_t refusedInAll_ = 0;
};

}  // namespace app
