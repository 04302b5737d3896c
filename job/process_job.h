// The fixed sequence of steps the worker applies to one page.
#pragma once

#include <memory>

#include "job/archiver.h"
#include "job/job_records.h"
#include "job/result_sink.h"

namespace job {

// Gives the page the extension ".htm" (never replacing an existing file),
// shows its name through `sink`, repairs its links when asked, cleans it,
// and archives it when asked. The request's path then names the page under
// its final name. Returns the result, or null when memory for it ran out.
std::unique_ptr<JobResult> ProcessJob(JobRequest& request, ResultSink& sink,
                                      const ArchiverSettings& settings);

}  // namespace job
