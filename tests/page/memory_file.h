// An in-memory stand-in for the platform's files, with switches that make
// its operations fail the way a disk or an OS can: a size that cannot be
// read or is absurd, a read that comes up short, a write that stops part-way.
#pragma once

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "platform/files.h"

namespace testsupport {

// What the operations of a MemoryFile do wrong; built by chaining, as in
// FileFaults().FailWrite(1, 20).
struct FileFaults {
  bool sizeFails = false;
  std::optional<uint64_t> reportedSize;  // a size other than the real one
  std::optional<size_t> readLimit;       // reads stop after this many bytes
  int failingWrite = 0;                  // 1-based write that fails; 0: none
  int64_t failingWriteKeeps = -1;        // bytes it writes first; -1: none, and it reports -1
  int failingTruncate = 0;               // 1-based truncate that fails; 0: none

  FileFaults SizeFails() const { return With([](FileFaults& f) { f.sizeFails = true; }); }
  FileFaults ReportSize(uint64_t size) const {
    return With([size](FileFaults& f) { f.reportedSize = size; });
  }
  FileFaults ReadLimit(size_t limit) const {
    return With([limit](FileFaults& f) { f.readLimit = limit; });
  }
  FileFaults FailWrite(int which, int64_t keeps = -1) const {
    return With([which, keeps](FileFaults& f) {
      f.failingWrite = which;
      f.failingWriteKeeps = keeps;
    });
  }
  FileFaults FailTruncate(int which) const {
    return With([which](FileFaults& f) { f.failingTruncate = which; });
  }

 private:
  template <typename Change>
  FileFaults With(Change change) const {
    FileFaults copy = *this;
    change(copy);
    return copy;
  }
};

// One file whose bytes live in a string the test owns.
class MemoryFile final : public platform::ExclusiveFile {
 public:
  MemoryFile(std::string& bytes, FileFaults faults) : bytes_(bytes), faults_(faults) {}

  int reads = 0;
  int writes = 0;
  int truncates = 0;

  bool Size(uint64_t& size) override {
    if (faults_.sizeFails) return false;
    size = faults_.reportedSize.value_or(bytes_.size());
    return true;
  }

  int64_t ReadFromStart(char* into, size_t count) override {
    ++reads;
    const size_t n = std::min({count, bytes_.size(), faults_.readLimit.value_or(count)});
    std::copy_n(bytes_.data(), n, into);
    return static_cast<int64_t>(n);
  }

  int64_t WriteFromStart(const char* from, size_t count) override {
    ++writes;
    size_t n = count;
    if (writes == faults_.failingWrite) {
      if (faults_.failingWriteKeeps < 0) return -1;
      n = std::min(count, static_cast<size_t>(faults_.failingWriteKeeps));
    }
    if (bytes_.size() < n) bytes_.resize(n);
    bytes_.replace(0, n, from, n);
    return static_cast<int64_t>(n);
  }

  bool Truncate(uint64_t length) override {
    ++truncates;
    if (truncates == faults_.failingTruncate) return false;
    bytes_.resize(static_cast<size_t>(length));
    return true;
  }

 private:
  std::string& bytes_;
  FileFaults faults_;
};

// A file system of one file, `bytes`, found under any path; every open
// gives a MemoryFile with the same faults. Nothing else exists.
class MemoryFileSystem final : public platform::FileSystem {
 public:
  MemoryFileSystem(std::string& bytes, FileFaults faults) : bytes_(bytes), faults_(faults) {}

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char*) override {
    return std::make_unique<MemoryFile>(bytes_, faults_);
  }
  bool FindEntries(const char*, const std::function<bool(const char*)>&) override {
    return false;
  }
  platform::PathKind Kind(const char*) override { return platform::PathKind::File; }
  bool RemoveFile(const char*) override { return false; }
  bool RenameNoReplace(const char*, const char*) override { return false; }

 private:
  std::string& bytes_;
  FileFaults faults_;
};

}  // namespace testsupport
