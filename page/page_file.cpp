#include "page/page_file.h"

#include <memory>
#include <string>
#include <utility>

#include "page/journal.h"
#include "page/page_rewrite.h"
#include "page/title_info.h"

namespace page {
namespace {

bool WriteAll(platform::ExclusiveFile& file, uint64_t offset, std::string_view bytes) {
  return file.WriteAt(offset, bytes.data(), bytes.size()) == static_cast<int64_t>(bytes.size());
}

// Makes the page hold exactly `bytes`, on the disk itself when `sync`.
bool PutInPlace(platform::ExclusiveFile& file, std::string_view bytes, bool sync) {
  return WriteAll(file, 0, bytes) && file.Truncate(bytes.size()) && (!sync || file.Flush());
}

// The journal beside a page, removed when this goes if so marked: on every
// way out of a write once it has been created, an exception included (the
// page is untouched then), but never while it is the page's only copy.
// Removing a file takes no memory.
class JournalFile {
 public:
  explicit JournalFile(std::string path) : path_(std::move(path)) {}
  ~JournalFile() {
    if (remove_) platform::Files().RemoveFile(path_.c_str());
  }
  JournalFile(const JournalFile&) = delete;
  JournalFile& operator=(const JournalFile&) = delete;

  const char* path() const { return path_.c_str(); }
  void RemoveWhenDone(bool remove) { remove_ = remove; }

  // Writes the journal of `original` under its `header`; the file is closed
  // again before the page changes, so that it stands whole under its name
  // (and Windows can remove it).
  bool Write(std::string_view header, std::string_view original, const WriteSettings& settings) {
    platform::FileError error;
    std::unique_ptr<platform::ExclusiveFile> file =
        platform::Files().CreateExclusive(path(), error);
    if (!file) return false;
    remove_ = true;
    if (!WriteAll(*file, 0, header) || !WriteAll(*file, header.size(), original) ||
        (settings.sync && !file->Flush())) {
      return false;
    }
    file.reset();
    // The journal's name must be on the disk too, or a power cut could
    // leave a half-written page and no journal to find.
    return !settings.sync || platform::Files().FlushFolderOf(path());
  }

 private:
  std::string path_;
  bool remove_ = false;
};

}  // namespace

bool ReadWholeFile(platform::ExclusiveFile& file, GrowBuffer& bytes, PageOutcome& failure) {
  uint64_t size = 0;
  if (!file.Size(size)) {
    failure = PageOutcome::ReadFailed;
    return false;
  }
  return ReadWholeFile(file, size, bytes, failure);
}

bool ReadWholeFile(platform::ExclusiveFile& file, uint64_t size, GrowBuffer& bytes,
                   PageOutcome& failure) {
  if (size > kMaxPageSize) {
    failure = PageOutcome::TooLarge;
    return false;
  }
  // An empty file is read all the same: a read that fails is told even then.
  char nothing = 0;
  char* const room =
      size == 0 ? &nothing : bytes.AppendRoom(static_cast<size_t>(size), kPageStep);
  if (room == nullptr) {
    bytes = GrowBuffer();
    failure = PageOutcome::NoMemory;
    return false;
  }
  if (file.ReadFromStart(room, static_cast<size_t>(size)) != static_cast<int64_t>(size)) {
    bytes = GrowBuffer();
    failure = PageOutcome::ReadFailed;
    return false;
  }
  return true;
}

PageOutcome WriteThroughJournal(const char* path, platform::ExclusiveFile& file,
                                const platform::FileStamp& readStamp, std::string_view original,
                                std::string_view rewritten, const WriteSettings& settings) {
  // Built before the journal is made, so that memory running out leaves no
  // file behind.
  const GrowBuffer header = JournalHeader(original, settings.repairLinks);
  if (header.RanOutOfMemory()) return PageOutcome::NoMemory;
  JournalFile journal(std::string(path) += kJournalSuffix);
  if (!journal.Write(header.View(), original, settings)) return PageOutcome::JournalNotCreated;

  // Where the system lets other programs write a file we hold (POSIX), one
  // may have changed the page since it was read: its changes win.
  platform::FileStamp now;
  if (!file.Stamp(now)) return PageOutcome::ReadFailed;
  if (!(now == readStamp)) return PageOutcome::Changed;

  if (PutInPlace(file, rewritten, settings.sync)) return PageOutcome::Rewritten;
  if (PutInPlace(file, original, settings.sync)) return PageOutcome::WriteFailed;
  // The page may be torn now: its journal is what is left of it.
  journal.RemoveWhenDone(false);
  return PageOutcome::NotRolledBack;
}

PageOutcome SettleJournal(const char* path, platform::ExclusiveFile& file, bool sync) {
  JournalFile journal(std::string(path) += kJournalSuffix);
  // The usual case, a page without a journal, costs one look.
  if (platform::Files().Kind(journal.path()) == platform::PathKind::Missing) {
    return PageOutcome::Unchanged;
  }
  platform::FileError error;
  std::unique_ptr<platform::ExclusiveFile> journalFile =
      platform::Files().OpenExclusive(journal.path(), error);
  if (!journalFile) {
    return error == platform::FileError::Missing ? PageOutcome::Unchanged
                                                 : PageOutcome::StaleJournal;
  }
  PageOutcome failure = PageOutcome::ReadFailed;
  GrowBuffer journalBytes;
  if (!ReadWholeFile(*journalFile, journalBytes, failure)) return failure;
  journalFile.reset();
  JournalContents contents;
  if (!ParseJournal(journalBytes.View(), contents)) {
    // Cut short: the run died before it touched the page.
    journal.RemoveWhenDone(true);
    return PageOutcome::Unchanged;
  }

  GrowBuffer current;
  if (!ReadWholeFile(file, current, failure)) return failure;
  if (current.View() != contents.original) {
    // The rewritten page is a function of the original and the job's choice,
    // so the write it was can be told from a page saved again since.
    RewrittenPage rewritten;
    TitleInfo unused;
    if (!RewritePage(contents.original, contents.repairLinks, rewritten, unused)) {
      return PageOutcome::NoMemory;
    }
    if (!IsInterruptedWrite(current.View(), contents.original, rewritten.bytes)) {
      const std::string kept = std::string(path) += kKeptJournalSuffix;
      return platform::Files().RenameNoReplace(journal.path(), kept.c_str())
                 ? PageOutcome::JournalKept
                 : PageOutcome::StaleJournal;
    }
    if (!PutInPlace(file, contents.original, sync)) return PageOutcome::NotRolledBack;
  }
  journal.RemoveWhenDone(true);
  return PageOutcome::Unchanged;
}

}  // namespace page
