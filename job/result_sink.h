// Where the worker reports to: each front end supplies one (the window sets
// its caption and posts the result to itself; the command line prints).
#pragma once

#include <memory>
#include <string>

#include "job/job_records.h"

namespace job {

// Called on the worker thread only; an implementation that shares state
// with its own thread guards it itself.
class ResultSink {
 public:
  virtual ~ResultSink() = default;

  // A job has begun on the page of this file name (the window shows it in
  // its caption, the command line in its progress line).
  virtual void JobStarted(const char* name) = 0;

  // What the archiver of the page in hand wrote (the last part of its
  // standard output and error), when it was captured; comes before that
  // page's result. A front end that shows no such thing ignores it.
  virtual void ArchiverOutput(std::string /*output*/) {}

  // Takes the result. False when the receiver is gone; the result is then
  // freed, since nobody else holds it.
  virtual bool Deliver(std::unique_ptr<JobResult> result) = 0;
};

}  // namespace job
