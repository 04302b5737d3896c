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
  long count() const { return count_; }
  // A size every opened file reports (as its size and in its stamp) instead
  // of its own.
  std::optional<uint64_t> reportedSize;

  // Fails each operation of `run` in turn, in each mode, until a run makes
  // fewer operations than the one to fail; `check` follows each run that
  // reached its failure and is told which it was. Gives how many there were.
  static long Sweep(const std::function<void(FaultyFiles&)>& run,
                    const std::function<void(const std::string& what)>& check);

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

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override {
    if (!Fails()) return ForwardingFiles::OpenExclusive(path, error);
    error = platform::FileError::Failed;
    return nullptr;
  }
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override {
    if (!Fails(true)) return ForwardingFiles::CreateExclusive(path, error);
    error = platform::FileError::Failed;
    return nullptr;
  }
  bool FlushFolderOf(const char* path) override {
    return !Fails(true) && inner_.FlushFolderOf(path);
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
  bool RemoveFile(const char* path) override { return !Fails() && inner_.RemoveFile(path); }
  bool RenameNoReplace(const char* from, const char* to) override {
    return !Fails() && inner_.RenameNoReplace(from, to);
  }
  bool RenameReplacing(const char* from, const char* to) override {
    return !Fails() && inner_.RenameReplacing(from, to);
  }
  bool CreateFolders(const char* path) override {
    return !Fails(true) && inner_.CreateFolders(path);
  }

 protected:
  std::unique_ptr<platform::ExclusiveFile> Wrap(std::unique_ptr<platform::ExclusiveFile> file,
                                                const char* path) override;

 private:
  long count_ = 0;
  long failAt_ = 0;
  Mode mode_ = Mode::Once;
};

}  // namespace testsupport
