// A file system over the real one whose Nth operation fails, to prove that
// a failure anywhere leaves every page whole; or, in the crash tests' copy of
// velkor-cli, that ends the process at its Nth change, as a kill would.
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
                 // counted, the workers' together): the disk as a kill after the
                 // change before leaves it
  };
  enum class Op { Reads, Changes, NeedsRoom };

  // Fails operation `nth` (1-based, counted from now over every call of the
  // file system and its files, but for the two that only tell how names are
  // written). A write that fails writes half of its bytes first, as a disk
  // that fills up does; a read that fails reads nothing.
  void FailAt(long nth, Mode mode) {
    count_ = 0;
    failAt_ = nth;
    mode_ = mode;
  }
  // Operations counted since the last FailAt.
  long count() const { return count_.load(); }
  // A size every opened file reports (as its size and in its stamp) instead
  // of its own.
  std::optional<uint64_t> reportedSize;

  // Fails each operation of `run` in turn, in each mode, until a run makes
  // fewer operations than the one to fail; `check` follows each run that
  // reached its failure and is told which it was. Gives how many there were.
  static long Sweep(const std::function<void(FaultyFiles&)>& run,
                    const std::function<void(const std::string& what)>& check);

  // True when the operation now being made, doing `op`, is to fail.
  bool Fails(Op op = Op::Reads) {
    if (mode_ == Mode::Killed && op == Op::Reads) return false;
    const long nth = ++count_;
    if (failAt_ <= 0 || nth < failAt_) return false;
    switch (mode_) {
      case Mode::Once:
        return nth == failAt_;
      case Mode::FromThenOn:
        return true;
      case Mode::DiskFull:
        return op == Op::NeedsRoom;
      case Mode::Killed:
        EndAbruptly();
    }
    return false;
  }

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override {
    if (!Fails()) return ForwardingFiles::OpenExclusive(path, error);
    error = platform::FileError::Failed;
    return nullptr;
  }
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override {
    if (!Fails(Op::NeedsRoom)) return ForwardingFiles::CreateExclusive(path, error);
    error = platform::FileError::Failed;
    return nullptr;
  }
  bool FlushFolderOf(const char* path) override {
    return !Fails(Op::NeedsRoom) && inner_.FlushFolderOf(path);
  }
  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override {
    return !Fails() && inner_.FindEntries(pattern, visit);
  }
  platform::PathKind Kind(const char* path) override {
    return Fails() ? platform::PathKind::Missing : inner_.Kind(path);
  }
  bool IsLink(const char* path) override { return !Fails() && inner_.IsLink(path); }
  std::string StoredName(const char* path) override {
    return Fails() ? std::string() : inner_.StoredName(path);
  }
  bool RemoveFile(const char* path) override {
    return !Fails(Op::Changes) && inner_.RemoveFile(path);
  }
  bool RenameNoReplace(const char* from, const char* to) override {
    return !Fails(Op::Changes) && inner_.RenameNoReplace(from, to);
  }
  bool RenameReplacing(const char* from, const char* to) override {
    return !Fails(Op::Changes) && inner_.RenameReplacing(from, to);
  }
  bool CreateFolders(const char* path) override {
    return !Fails(Op::NeedsRoom) && inner_.CreateFolders(path);
  }

 protected:
  std::unique_ptr<platform::ExclusiveFile> Wrap(std::unique_ptr<platform::ExclusiveFile> file,
                                                const char* path) override;

 private:
  // Ends the process at once, as a kill from outside would: no destructor
  // runs, no buffer is flushed, no file is closed in order.
  [[noreturn]] static void EndAbruptly();

  std::atomic<long> count_ = 0;
  long failAt_ = 0;
  Mode mode_ = Mode::Once;
};

}  // namespace testsupport
