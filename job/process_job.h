// The fixed sequence of steps the worker applies to one page.
#pragma once

#include <memory>

#include "job/archiver.h"
#include "job/job_records.h"
#include "job/result_sink.h"
#include "job/worker.h"
#include "page/page_outcome.h"

namespace job {

// What the settings file says of the jobs; read once before the worker
// starts and only read afterwards.
struct JobSettings {
  ArchiverSettings archiver;
  // Each step of a page's write on the disk itself before the next, so that
  // even a power cut leaves the old page or the new one ("Sync").
  bool sync = true;
};

// The status a page's outcome gives its job: STATUS_OK when the page is in
// its final form, one of the STATUS_PAGE_... values otherwise.
int32_t PageStatus(page::PageOutcome outcome);

// Gives the page the extension ".htm" (never replacing an existing file, and
// never to a web archive), shows its name through `sink`, repairs its links
// when asked and cleans it in one journaled write, and archives it when
// asked (alone when it is a web archive or has no files folder). The
// request's path then names the page under its final name. The status is
// the page's when the page could not be done, else the archiver's when
// archiving was asked for. Returns the result, or null when memory for it
// ran out.
// With `gate`, the job waits where it must not overtake an earlier one.
std::unique_ptr<JobResult> ProcessJob(JobRequest& request, ResultSink& sink,
                                      const JobSettings& settings, JobGate* gate = nullptr);

// What the workers of every front end run: ProcessJob with `settings`,
// which must outlive them.
JobRunner PageJobRunner(const JobSettings& settings);

}  // namespace job
