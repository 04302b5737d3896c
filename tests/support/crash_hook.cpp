#include "tests/support/crash_hook.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cstdlib>

#include "tests/support/forwarding_files.h"

namespace testsupport {
namespace {

// Ends the process at once, as a kill from outside would: no destructor
// runs, no buffer is flushed, no file is closed in order.
[[noreturn]] void EndAbruptly() {
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), 137);
#else
  kill(getpid(), SIGKILL);
#endif
  std::_Exit(137);  // never reached
}

// Counts the changes made through it and ends the process after the last
// one allowed.
class CrashingFiles final : public ForwardingFiles {
 public:
  CrashingFiles(platform::FileSystem& inner, long changesAllowed)
      : ForwardingFiles(inner), changesLeft_(changesAllowed) {}

  // The change has been made when this runs; then the process may end. The
  // workers of a batch count together.
  template <typename T>
  T Changed(T result) {
    if (changesLeft_.fetch_sub(1) <= 1) EndAbruptly();
    return result;
  }

  std::unique_ptr<platform::ExclusiveFile> CreateExclusive(const char* path,
                                                           platform::FileError& error) override {
    std::unique_ptr<platform::ExclusiveFile> file = ForwardingFiles::CreateExclusive(path, error);
    return file ? Changed(std::move(file)) : nullptr;
  }
  bool FlushFolderOf(const char* path) override { return Changed(inner_.FlushFolderOf(path)); }
  bool RemoveFile(const char* path) override { return Changed(inner_.RemoveFile(path)); }
  bool RenameNoReplace(const char* from, const char* to) override {
    return Changed(inner_.RenameNoReplace(from, to));
  }
  bool RenameReplacing(const char* from, const char* to) override {
    return Changed(inner_.RenameReplacing(from, to));
  }
  bool CreateFolders(const char* path) override { return Changed(inner_.CreateFolders(path)); }

 protected:
  std::unique_ptr<platform::ExclusiveFile> Wrap(std::unique_ptr<platform::ExclusiveFile> file,
                                                const char*) override {
    struct Counted final : ForwardingFile {
      Counted(CrashingFiles& files, std::unique_ptr<platform::ExclusiveFile> inner)
          : ForwardingFile(std::move(inner)), owner(files) {}
      int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
        return owner.Changed(inner_->WriteAt(offset, from, count));
      }
      bool Truncate(uint64_t length) override { return owner.Changed(inner_->Truncate(length)); }
      bool Flush() override { return owner.Changed(inner_->Flush()); }
      bool SetPermissions(uint32_t permissions) override {
        return owner.Changed(inner_->SetPermissions(permissions));
      }
      CrashingFiles& owner;
    };
    if (!file) return nullptr;
    return std::make_unique<Counted>(*this, std::move(file));
  }

 private:
  std::atomic<long> changesLeft_;
};

}  // namespace

void ArmCrashHookFromEnvironment() {
  const char* const value = std::getenv(kCrashAfterWritesVariable);
  if (value == nullptr) return;
  const long changes = std::strtol(value, nullptr, 10);
  if (changes <= 0) return;
  // Lives, and stays in place, until the process ends.
  static CrashingFiles crashing(platform::Files(), changes);
  static platform::ScopedFileSystem inPlace(crashing);
}

}  // namespace testsupport
