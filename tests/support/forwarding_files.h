// A file system that hands every call to another one (the native one unless
// told otherwise): tests derive from it and change only what they need.
#pragma once

#include <string>

#include "platform/files.h"

namespace testsupport {

class ForwardingFiles : public platform::FileSystem {
 public:
  explicit ForwardingFiles(platform::FileSystem& inner = platform::NativeFiles())
      : inner_(inner) {}

  std::unique_ptr<platform::ExclusiveFile> OpenExclusive(const char* path,
                                                         platform::FileError& error) override {
    return inner_.OpenExclusive(path, error);
  }
  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override {
    return inner_.CreateExclusive(path, error);
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
  bool CreateFolders(const char* path) override { return inner_.CreateFolders(path); }

 protected:
  platform::FileSystem& inner_;
};

}  // namespace testsupport
