// The batch command line's result sink: prints each result's log line as it
// arrives, followed by the archiver's last lines when it failed (or always,
// when verbose), and a progress line on a terminal while the batch runs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "job/result_sink.h"

namespace app::cli {

// Used by one worker at a time while the batch runs (the workers take turns
// under their pool's lock); its owner reads Statuses() only after the
// workers have ended.
class ConsoleSink final : public job::ResultSink {
 public:
  // `progress` is null when no progress is to be shown.
  ConsoleSink(std::FILE* out, std::FILE* progress, bool verbose);

  // The number of jobs in the batch, for the progress line; set before the
  // worker starts on the batch.
  void SetTotal(int32_t total) { total_ = total; }

  void JobStarted(const char* name) override;
  void ArchiverOutput(std::string output) override;
  bool Deliver(std::unique_ptr<job::JobResult> result) override;

  // Prints one log line. From another thread only while the
  // workers are held before their first job.
  void PrintLogLine(const std::string& line);

  // Removes the progress line, if one is shown.
  void ClearProgress();

  const std::vector<int32_t>& Statuses() const { return statuses_; }

 private:
  std::FILE* out_;
  std::FILE* progress_;
  bool verbose_;
  std::string archiverOutput_;  // of the page in hand
  int32_t total_ = 0;
  size_t progressWidth_ = 0;
  std::vector<int32_t> statuses_;
};

}  // namespace app::cli
