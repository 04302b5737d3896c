// A file system over the real one whose Nth operation fails, to prove that
// a failure anywhere leaves every page whole.
#pragma once

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
  };

  explicit FaultyFiles(platform::FileSystem& inner = platform::NativeFiles())
      : ForwardingFiles(inner) {}

  // Fails operation `nth` (1-based, counted from now over every call of
  // both interfaces). A write that fails writes half of its bytes first, as
  // a disk that fills up does; a read that fails reads nothing.
  void FailAt(long nth, Mode mode) {
    count_ = 0;
    failAt_ = nth;
    mode_ = mode;
  }
  // Operations counted since the last FailAt.
  long count() const { return count_; }
  // Fails each operation of `run` in turn, in each mode, until a run makes
  // fewer operations than the one to fail; `check` follows each run that
  // reached its failure and is told which it was. Gives how many there were.
  static long Sweep(const std::function<void(FaultyFiles&)>& run,
                    const std::function<void(const std::string& what)>& check);
  // A size every opened file reports (as its size and in its stamp) instead
  // of its own.
  std::optional<uint64_t> reportedSize;

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override;
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override;
  bool FlushFolderOf(const char* path) override;
  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override;
  platform::PathKind Kind(const char* path) override;
  bool IsLink(const char* path) override;
  std::string StoredName(const char* path) override;
  bool RemoveFile(const char* path) override;
  bool RenameNoReplace(const char* from, const char* to) override;
  bool RenameReplacing(const char* from, const char* to) override;
  bool CreateFolders(const char* path) override;

  // True when the operation now being made is to fail; `needsRoom` tells
  // the operations a full disk refuses.
  bool Fails(bool needsRoom = false) {
    ++count_;
    if (failAt_ <= 0 || count_ < failAt_) return false;
    switch (mode_) {
      case Mode::Once:
        return count_ == failAt_;
      case Mode::FromThenOn:
        return true;
      case Mode::DiskFull:
        return needsRoom;
    }
    return false;
  }

 private:
  std::unique_ptr<platform::ExclusiveFile> Wrap(std::unique_ptr<platform::ExclusiveFile> file);

  long count_ = 0;
  long failAt_ = 0;
  Mode mode_ = Mode::Once;
};

}  // namespace testsupport
