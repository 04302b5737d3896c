// A file system whose Nth operation fails, or (in the crash tests' velkor-cli)
// that ends the process at its Nth change, as a kill would.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "tests/support/forwarding_files.h"

namespace testsupport {

class FaultyFiles final : public ForwardingFiles {
 public:
  enum class Mode {
    Once,        // only the Nth operation fails
    FromThenOn,  // the Nth and every later one fail: a disk that is gone
    DiskFull,    // from the Nth on, what needs room fails (writes, flushes, new files);
                 // reading, cutting, removing and renaming still work
    Killed,      // the process ends right before its Nth change (only changes are
                 // counted, the workers' together), as a kill after the one before
  };

  // Fails operation `nth` (1-based, from now, over the file system and its
  // files). A failed write writes half of its bytes first, as a disk that
  // fills up does; a failed read reads nothing.
  void FailAt(long nth, Mode mode) {
    count_ = 0;
    failAt_ = nth;
    mode_ = mode;
  }
  // A size every opened file reports (size and stamp) instead of its own.
  std::optional<uint64_t> reportedSize;
  // Set once a write to a page's journal has been cut short.
  bool journalCutShort = false;

  // Fails each operation of `run` in turn, in each mode, until a run makes
  // fewer operations than the one to fail; `check` follows each run that
  // reached its failure and is told which it was. Gives how many there were.
  static long Sweep(const std::function<void(FaultyFiles&)>& run,
                    const std::function<void(const std::string& what)>& check);

  // True when the operation now being made, doing `access`, is to fail.
  bool Fails(Access access) {
    if (mode_ == Mode::Killed && access == Access::Reads) return false;
    const long nth = ++count_;
    if (failAt_ <= 0 || nth < failAt_) return false;
    switch (mode_) {
      case Mode::Once:
        return nth == failAt_;
      case Mode::FromThenOn:
        return true;
      case Mode::DiskFull:
        return access == Access::NeedsRoom;
      case Mode::Killed:
        EndAbruptly();
    }
    return false;
  }

 protected:
  bool Passes(Access access) override { return !Fails(access); }
  std::unique_ptr<platform::ExclusiveFile> Wrap(std::unique_ptr<platform::ExclusiveFile> file,
                                                const char* path) override;

 private:
  // Ends the process as a kill would: no destructor, flush or orderly close.
  [[noreturn]] static void EndAbruptly();

  std::atomic<long> count_ = 0;
  long failAt_ = 0;
  Mode mode_ = Mode::Once;
};

}  // namespace testsupport
