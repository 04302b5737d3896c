// A file system, and an open file, that hand every call to another one (the
// native file system unless told otherwise): every stand-in of the tests
// derives from them and changes only what it needs.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/files.h"

namespace testsupport {

class ForwardingFile : public platform::ExclusiveFile {
 public:
  explicit ForwardingFile(std::unique_ptr<platform::ExclusiveFile> inner)
      : inner_(std::move(inner)) {}

  bool Size(uint64_t& size) override { return inner_->Size(size); }
  int64_t ReadFromStart(char* into, size_t count) override {
    return inner_->ReadFromStart(into, count);
  }
  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    return inner_->WriteAt(offset, from, count);
  }
  bool Truncate(uint64_t length) override { return inner_->Truncate(length); }
  bool Flush() override { return inner_->Flush(); }
  bool Stamp(platform::FileStamp& stamp) override { return inner_->Stamp(stamp); }
  bool SetPermissions(uint32_t permissions) override {
    return inner_->SetPermissions(permissions);
  }

 protected:
  std::unique_ptr<platform::ExclusiveFile> inner_;
};

class ForwardingFiles : public platform::FileSystem {
 public:
  explicit ForwardingFiles(platform::FileSystem& inner = platform::NativeFiles())
      : inner_(inner) {}

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override {
    return Wrap(inner_.OpenExclusive(path, error), path);
  }
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override {
    return Wrap(inner_.CreateExclusive(path, error), path);
  }
  bool FlushFolderOf(const char* path) override { return inner_.FlushFolderOf(path); }
  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override {
    return inner_.FindEntries(pattern, visit);
  }
  platform::PathKind Kind(const char* path) override { return inner_.Kind(path); }
  std::string StoredName(const char* path) override { return inner_.StoredName(path); }
  bool IsLink(const char* path) override { return inner_.IsLink(path); }
  bool RemoveFile(const char* path) override { return inner_.RemoveFile(path); }
  bool RenameNoReplace(const char* from, const char* to) override {
    return inner_.RenameNoReplace(from, to);
  }
  bool RenameReplacing(const char* from, const char* to) override {
    return inner_.RenameReplacing(from, to);
  }
  bool CreateFolders(const char* path) override { return inner_.CreateFolders(path); }

 protected:
  // What the stand-in hands out for a file opened or created at `path`
  // (null when that failed): the file itself unless a derived one wraps it.
  virtual std::unique_ptr<platform::ExclusiveFile> Wrap(
      std::unique_ptr<platform::ExclusiveFile> file, const char* /*path*/) {
    return file;
  }

  platform::FileSystem& inner_;
};

}  // namespace testsupport
