// Where a job must not overtake one posted before it, when several run at
// once: two pages whose titles give one archive name pack into that archive
// one at a time, in the order they were posted, as one worker would have.
#pragma once

#include <string>

namespace job {

class JobGate {
 public:
  virtual ~JobGate() = default;

  // Called right before the archiver packs into `archiveBase`. Returns once
  // no job posted earlier packs, or may yet pack, into the same archive.
  virtual void BeforeArchiving(const std::string& archiveBase) = 0;
};

}  // namespace job
