#include "tests/support/faulty_files.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <string_view>
#include <utility>

#include "page/journal.h"

namespace testsupport {
namespace {

class FaultyFile final : public ForwardingFile {
 public:
  FaultyFile(FaultyFiles& owner, std::unique_ptr<platform::ExclusiveFile> inner, bool journal)
      : ForwardingFile(std::move(inner)), owner_(owner), journal_(journal) {}

  bool Size(uint64_t& size) override {
    if (!ForwardingFile::Size(size)) return false;
    size = owner_.reportedSize.value_or(size);
    return true;
  }
  int64_t WriteAt(uint64_t offset, const char* from, size_t count) override {
    if (Passes(Access::NeedsRoom)) return inner_->WriteAt(offset, from, count);
    owner_.journalCutShort = owner_.journalCutShort || journal_;
    return count < 2 ? -1 : inner_->WriteAt(offset, from, count / 2);
  }
  bool Stamp(platform::FileStamp& stamp) override {
    if (!ForwardingFile::Stamp(stamp)) return false;
    stamp.size = owner_.reportedSize.value_or(stamp.size);
    return true;
  }

 protected:
  bool Passes(Access access) override { return !owner_.Fails(access); }

 private:
  FaultyFiles& owner_;
  const bool journal_;
};

}  // namespace

void FaultyFiles::EndAbruptly() {
#ifdef _WIN32
  TerminateProcess(GetCurrentProcess(), 137);
#else
  kill(getpid(), SIGKILL);
#endif
  std::_Exit(137);  // never reached
}

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
      if (files.count_ < nth) break;
      check("operation " + std::to_string(nth) + " failed" + name);
    }
  }
  return failures;
}

std::unique_ptr<platform::ExclusiveFile> FaultyFiles::Wrap(
    std::unique_ptr<platform::ExclusiveFile> file, const char* path) {
  if (!file) return nullptr;
  const bool journal = std::string_view(path).ends_with(page::kJournalSuffix);
  return std::make_unique<FaultyFile>(*this, std::move(file), journal);
}

}  // namespace testsupport
