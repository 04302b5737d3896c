#include "page/page_file.h"

#include <algorithm>
#include <memory>
#include <string>
#include <utility>

#include "page/journal.h"
#include "page/page_state.h"
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
// way out once it is known to hold nothing the page lacks, an exception
// included, but never while it may be the page's only copy. Removing a file
// takes no memory.
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

  // Writes the journal of `original` under its `header`, as private as the
  // page; the file is closed again before the page changes, so that it
  // stands whole under its name (and Windows can remove it).
  bool Write(std::string_view header, std::string_view original, uint32_t permissions,
             bool sync) {
    platform::FileError error;
    std::unique_ptr<platform::ExclusiveFile> file =
        platform::Files().CreateExclusive(path(), error);
    if (!file) return false;
    remove_ = true;
    // Should this fail, the journal stays private to its owner: no harm.
    file->SetPermissions(permissions);
    // Header and page in one write where the system can.
    if (file->WriteTwoAt(0, header, original) !=
            static_cast<int64_t>(header.size() + original.size()) ||
        (sync && !file->Flush())) {
      return false;
    }
    file.reset();
    // The journal's name must be on the disk too, or a power cut could
    // leave a half-written page and no journal to find.
    return !sync || platform::Files().FlushFolderOf(path());
  }

 private:
  std::string path_;
  bool remove_ = false;
};

// Carries a page in the state `state` to the whole form that state leads
// to, so that a write or a rollback cut short is finished in its own
// direction: every moment of it leaves a state that the next run takes for
// its own again. True once the page is whole (and, when `sync`, on the disk).
bool Finish(platform::ExclusiveFile& file, PageState state, std::string_view original,
            std::string_view rewritten, bool sync) {
  switch (state) {
    case PageState::Original:
    case PageState::Final:
      return !sync || file.Flush();
    case PageState::CutWrite:
      return PutInPlace(file, rewritten, sync);
    case PageState::CutRollback:
      return PutInPlace(file, original, sync);
    case PageState::Other:
      break;
  }
  return false;
}

// After a write of `rewritten` failed: puts the original back where that
// cannot leave a page the next run would not know, finishes the write
// where it can, and otherwise leaves the page to its journal. What the page
// holds is read back rather than worked out from what the calls said.
PageOutcome AfterFailedWrite(platform::ExclusiveFile& file, std::string_view original,
                             std::string_view rewritten, bool sync) {
  GrowBuffer read;
  PageOutcome failure;
  if (!ReadWholeFile(file, read, failure)) return PageOutcome::NotRolledBack;
  const std::string_view now = read.View();
  const PageState state = ClassifyPage(now, original, rewritten);
  if (state == PageState::Original) return PageOutcome::WriteFailed;
  // A page that holds nothing but new bytes, up to its end and over all of
  // the original's length (or cut to its new one), is put back by writing
  // the original from the start: each moment of that is a cut rollback.
  if (now.size() >= std::min(original.size(), rewritten.size()) && rewritten.starts_with(now)) {
    return PutInPlace(file, original, sync) ? PageOutcome::WriteFailed
                                            : PageOutcome::NotRolledBack;
  }
  // New bytes and then old ones: writing the original over them could
  // leave old, new and old again, which no write of ours leaves. Finishing
  // the write cannot.
  if (state == PageState::CutWrite && Finish(file, state, original, rewritten, sync)) {
    return PageOutcome::Rewritten;
  }
  return PageOutcome::NotRolledBack;
}

// Moves the journal, held open in `journalFile`, out of the way under the
// newest kept name, its mode set to the page's; a journal kept earlier moves
// to the first free older name.
bool SetAside(JournalFile& journal, std::unique_ptr<platform::ExclusiveFile> journalFile,
              const char* path, uint32_t permissions) {
  journalFile->SetPermissions(permissions);
  journalFile.reset();  // Windows renames no file that is open
  platform::FileSystem& files = platform::Files();
  const std::string newest = KeptJournalPath(path, 1);
  if (files.Kind(newest.c_str()) != platform::PathKind::Missing) {
    bool moved = false;
    for (int age = 2; age <= kMostKeptJournals && !moved; ++age) {
      const std::string older = KeptJournalPath(path, age);
      if (files.Kind(older.c_str()) != platform::PathKind::Missing) continue;
      if (!files.RenameNoReplace(newest.c_str(), older.c_str())) return false;
      moved = true;
    }
    if (!moved) return false;
  }
  return files.RenameNoReplace(journal.path(), newest.c_str());
}

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
  if (!journal.Write(header.View(), original, readStamp.permissions, settings.sync)) {
    return PageOutcome::JournalNotCreated;
  }

  // Where the system lets other programs write a file we hold (POSIX), one
  // may have changed the page since it was read: its changes win.
  platform::FileStamp now;
  if (!file.Stamp(now)) return PageOutcome::ReadFailed;
  if (!(now == readStamp)) return PageOutcome::Changed;

  if (PutInPlace(file, rewritten, settings.sync)) return PageOutcome::Rewritten;
  const PageOutcome outcome = AfterFailedWrite(file, original, rewritten, settings.sync);
  // The page may be torn now: its journal is what is left of it.
  journal.RemoveWhenDone(outcome != PageOutcome::NotRolledBack);
  return outcome;
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
  platform::FileStamp stamp;
  if (!file.Stamp(stamp)) return PageOutcome::ReadFailed;
  GrowBuffer current;
  if (!ReadWholeFile(file, stamp.size, current, failure)) return failure;

  JournalContents contents;
  PageState state = PageState::Other;
  RewrittenPage rewritten;
  if (ParseJournal(journalBytes.View(), contents)) {
    // The rewritten page is a function of the original and the job's
    // choice, so the states of the write can be told from a page saved or
    // edited since.
    TitleInfo unused;
    if (current.View() != contents.original &&
        !RewritePage(contents.original, contents.repairLinks, rewritten, unused)) {
      return PageOutcome::NoMemory;
    }
    state = ClassifyPage(current.View(), contents.original, rewritten.bytes);
  } else if (IsJournalOfUntouchedPage(journalBytes.View(), current.View())) {
    // Cut short while it was written: the page was not touched yet.
    state = PageState::Original;
  } else {
    return SetAside(journal, std::move(journalFile), path, stamp.permissions) ? PageOutcome::JournalDamaged
                                                                    : PageOutcome::StaleJournal;
  }
  if (state == PageState::Other) {
    return SetAside(journal, std::move(journalFile), path, stamp.permissions) ? PageOutcome::JournalKept
                                                                    : PageOutcome::StaleJournal;
  }
  journalFile.reset();
  if (!Finish(file, state, contents.original, rewritten.bytes, sync)) {
    return PageOutcome::NotRolledBack;
  }
  journal.RemoveWhenDone(true);
  return PageOutcome::Unchanged;
}

}  // namespace page
