#include "platform/crash_hook.h"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include "platform/files.h"
#include "platform/system.h"

namespace platform {
namespace {

// Counts the changes made through it and ends the process after the last
// one allowed; everything else goes to the file system it wraps.
class CrashingFileSystem final : public FileSystem {
 public:
  CrashingFileSystem(FileSystem& inner, long changesAllowed)
      : inner_(inner), changesLeft_(changesAllowed) {}

  // The change has been made when this runs; then the process may end. The
  // workers of a batch count together.
  template <typename T>
  T Changed(T result) {
    if (changesLeft_.fetch_sub(1) <= 1) ThisProcess().EndAbruptly();
    return result;
  }

  class File final : public ExclusiveFile {
   public:
    File(CrashingFileSystem& owner, std::unique_ptr<ExclusiveFile> inner)
        : owner_(owner), inner_(std::move(inner)) {}
    bool Size(uint64_t& size) override { return inner_->Size(size); }
    int64_t ReadFromStart(char* into, size_t count) override {
      return inner_->ReadFromStart(into, count);
    }
    int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
      return owner_.Changed(inner_->WriteAt(offset, from, count));
    }
    bool Truncate(uint64_t length) override { return owner_.Changed(inner_->Truncate(length)); }
    bool Flush() override { return owner_.Changed(inner_->Flush()); }
    bool Stamp(FileStamp& stamp) override { return inner_->Stamp(stamp); }
    bool SetPermissions(uint32_t permissions) override {
      return owner_.Changed(inner_->SetPermissions(permissions));
    }

   private:
    CrashingFileSystem& owner_;
    std::unique_ptr<ExclusiveFile> inner_;
  };

  std::unique_ptr<ExclusiveFile> OpenExclusive(const char* path, FileError& error) override {
    return Wrap(inner_.OpenExclusive(path, error));
  }
  std::unique_ptr<ExclusiveFile> CreateExclusive(const char* path, FileError& error) override {
    std::unique_ptr<ExclusiveFile> file = Wrap(inner_.CreateExclusive(path, error));
    return file ? Changed(std::move(file)) : nullptr;
  }
  bool FlushFolderOf(const char* path) override { return Changed(inner_.FlushFolderOf(path)); }
  bool FindEntries(const char* pattern,
                   const std::function<bool(const char* name)>& visit) override {
    return inner_.FindEntries(pattern, visit);
  }
  PathKind Kind(const char* path) override { return inner_.Kind(path); }
  bool IsLink(const char* path) override { return inner_.IsLink(path); }
  std::string StoredName(const char* path) override { return inner_.StoredName(path); }
  bool RemoveFile(const char* path) override { return Changed(inner_.RemoveFile(path)); }
  bool RenameNoReplace(const char* from, const char* to) override {
    return Changed(inner_.RenameNoReplace(from, to));
  }
  bool RenameReplacing(const char* from, const char* to) override {
    return Changed(inner_.RenameReplacing(from, to));
  }
  bool CreateFolders(const char* path) override { return Changed(inner_.CreateFolders(path)); }

 private:
  std::unique_ptr<ExclusiveFile> Wrap(std::unique_ptr<ExclusiveFile> file) {
    if (!file) return nullptr;
    return std::make_unique<File>(*this, std::move(file));
  }

  FileSystem& inner_;
  std::atomic<long> changesLeft_;
};

}  // namespace

void ArmCrashHookFromEnvironment() {
  const std::string value = ThisProcess().EnvironmentValue(kCrashAfterWritesVariable);
  if (value.empty()) return;
  const long changes = std::strtol(value.c_str(), nullptr, 10);
  if (changes <= 0) return;
  // Lives, and stays in place, until the process ends.
  static CrashingFileSystem crashing(Files(), changes);
  static ScopedFileSystem inPlace(crashing);
}

}  // namespace platform
