#include "tests/support/faulty_files.h"

#include <utility>

namespace testsupport {
namespace {

class FaultyFile final : public ForwardingFile {
 public:
  FaultyFile(FaultyFiles& owner, std::unique_ptr<platform::ExclusiveFile> inner)
      : ForwardingFile(std::move(inner)), owner_(owner) {}

  bool Size(uint64_t& size) override {
    if (owner_.Fails() || !inner_->Size(size)) return false;
    size = owner_.reportedSize.value_or(size);
    return true;
  }
  int64_t ReadFromStart(char* into, size_t count) override {
    return owner_.Fails() ? -1 : inner_->ReadFromStart(into, count);
  }
  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    if (!owner_.Fails(true)) return inner_->WriteAt(offset, from, count);
    if (count < 2) return -1;
    return inner_->WriteAt(offset, from, count / 2);
  }
  bool Truncate(uint64_t length) override { return !owner_.Fails() && inner_->Truncate(length); }
  bool Flush() override { return !owner_.Fails(true) && inner_->Flush(); }
  bool Stamp(platform::FileStamp& stamp) override {
    if (owner_.Fails() || !inner_->Stamp(stamp)) return false;
    stamp.size = owner_.reportedSize.value_or(stamp.size);
    return true;
  }
  bool SetPermissions(uint32_t permissions) override {
    return !owner_.Fails() && inner_->SetPermissions(permissions);
  }

 private:
  FaultyFiles& owner_;
};

}  // namespace

long FaultyFiles::Sweep(const std::function<void(FaultyFiles&)>& run,
                        const std::function<void(const std::string&)>& check) {
  long failures = 0;
  for (const auto& [mode, name] : {std::pair{Mode::Once, " once"},
                                   {Mode::FromThenOn, " on"},
                                   {Mode::DiskFull, " disk full"}}) {
    for (long nth = 1;; ++nth, ++failures) {
      FaultyFiles files;
      files.FailAt(nth, mode);
      run(files);
      if (files.count() < nth) break;
      check("operation " + std::to_string(nth) + " failed" + name);
    }
  }
  return failures;
}

std::unique_ptr<platform::ExclusiveFile> FaultyFiles::Wrap(
    std::unique_ptr<platform::ExclusiveFile> file) {
  if (!file) return nullptr;
  return std::make_unique<FaultyFile>(*this, std::move(file));
}

std::unique_ptr<platform::ExclusiveFile> FaultyFiles::OpenExclusive(const char* path,
                                                                    platform::FileError& error) {
  if (Fails()) {
    error = platform::FileError::Failed;
    return nullptr;
  }
  return Wrap(inner_.OpenExclusive(path, error));
}

std::unique_ptr<platform::ExclusiveFile> FaultyFiles::CreateExclusive(const char* path,
                                                                      platform::FileError& error) {
  if (Fails(true)) {
    error = platform::FileError::Failed;
    return nullptr;
  }
  return Wrap(inner_.CreateExclusive(path, error));
}

bool FaultyFiles::FlushFolderOf(const char* path) {
  return !Fails(true) && inner_.FlushFolderOf(path);
}

bool FaultyFiles::FindEntries(const char* pattern,
                              const std::function<bool(const char* name)>& visit) {
  return !Fails() && inner_.FindEntries(pattern, visit);
}

platform::PathKind FaultyFiles::Kind(const char* path) {
  return Fails() ? platform::PathKind::Missing : inner_.Kind(path);
}

bool FaultyFiles::IsLink(const char* path) { return !Fails() && inner_.IsLink(path); }

std::string FaultyFiles::StoredName(const char* path) {
  return Fails() ? std::string() : inner_.StoredName(path);
}

bool FaultyFiles::RemoveFile(const char* path) { return !Fails() && inner_.RemoveFile(path); }

bool FaultyFiles::RenameNoReplace(const char* from, const char* to) {
  return !Fails() && inner_.RenameNoReplace(from, to);
}

bool FaultyFiles::RenameReplacing(const char* from, const char* to) {
  return !Fails() && inner_.RenameReplacing(from, to);
}

bool FaultyFiles::CreateFolders(const char* path) {
  return !Fails(true) && inner_.CreateFolders(path);
}

}  // namespace testsupport
