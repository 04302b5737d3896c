// A file system, and an open file, that hand every call to the native ones:
// every stand-in of the tests derives from them and changes only what it
// needs. A call a stand-in does not let pass fails as the system fails it.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "platform/files.h"

namespace testsupport {

// What a call does to the disk: reads it, changes it, or changes it and needs room.
enum class Access { Reads, Changes, NeedsRoom };

class ForwardingFile : public platform::ExclusiveFile {
 public:
  explicit ForwardingFile(std::unique_ptr<platform::ExclusiveFile> inner)
      : inner_(std::move(inner)) {}

  bool Size(uint64_t& size) override { return Passes(Access::Reads) && inner_->Size(size); }
  int64_t ReadFromStart(char* into, size_t count) override {
    return Passes(Access::Reads) ? inner_->ReadFromStart(into, count) : -1;
  }
  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    return Passes(Access::NeedsRoom) ? inner_->WriteAt(offset, from, count) : -1;
  }
  bool Truncate(uint64_t length) override {
    return Passes(Access::Changes) && inner_->Truncate(length);
  }
  bool Flush() override { return Passes(Access::NeedsRoom) && inner_->Flush(); }
  bool Stamp(platform::FileStamp& stamp) override {
    return Passes(Access::Reads) && inner_->Stamp(stamp);
  }
  bool SetPermissions(uint32_t permissions) override {
    return Passes(Access::Changes) && inner_->SetPermissions(permissions);
  }

 protected:
  virtual bool Passes(Access) { return true; }

  std::unique_ptr<platform::ExclusiveFile> inner_;
};

class ForwardingFiles : public platform::FileSystem {
 public:
  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override {
    if (!Passes(Access::Reads)) return Refused(error);
    return Wrap(inner_.OpenExclusive(path, error), path);
  }
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override {
    if (!Passes(Access::NeedsRoom)) return Refused(error);
    return Wrap(inner_.CreateExclusive(path, error), path);
  }
  bool FlushFolderOf(const char* path) override {
    return Passes(Access::NeedsRoom) && inner_.FlushFolderOf(path);
  }
  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override {
    return Passes(Access::Reads) && inner_.FindEntries(pattern, visit);
  }
  platform::PathKind Kind(const char* path) override {
    return Passes(Access::Reads) ? inner_.Kind(path) : platform::PathKind::Missing;
  }
  std::string StoredName(const char* path) override {
    return Passes(Access::Reads) ? inner_.StoredName(path) : std::string();
  }
  bool IsLink(const char* path) override { return Passes(Access::Reads) && inner_.IsLink(path); }
  bool RemoveFile(const char* path) override {
    return Passes(Access::Changes) && inner_.RemoveFile(path);
  }
  bool RenameNoReplace(const char* from, const char* to) override {
    return Passes(Access::Changes) && inner_.RenameNoReplace(from, to);
  }
  bool RenameReplacing(const char* from, const char* to) override {
    return Passes(Access::Changes) && inner_.RenameReplacing(from, to);
  }
  bool CreateFolders(const char* path) override {
    return Passes(Access::NeedsRoom) && inner_.CreateFolders(path);
  }

 protected:
  virtual bool Passes(Access) { return true; }
  // What the stand-in hands out for a file opened or created at `path`
  // (null when that failed): the file itself unless a derived one wraps it.
  virtual std::unique_ptr<platform::ExclusiveFile> Wrap(
      std::unique_ptr<platform::ExclusiveFile> file, const char* /*path*/) {
    return file;
  }

  platform::FileSystem& inner_ = platform::NativeFiles();

 private:
  static std::unique_ptr<platform::ExclusiveFile> Refused(platform::FileError& error) {
    error = platform::FileError::Failed;
    return nullptr;
  }
};

}  // namespace testsupport
