#include "page/page_cleaner.h"

#include <memory>
#include <new>
#include <string_view>

#include "page/page_rewrite.h"
#include "page/script_deletion.h"
#include "platform/files.h"

namespace page {
namespace {

PageOutcome OutcomeOf(platform::FileError error) {
  switch (error) {
    case platform::FileError::Missing:
      return PageOutcome::Missing;
    case platform::FileError::NotAFile:
      return PageOutcome::NotAFile;
    case platform::FileError::Linked:
      return PageOutcome::Linked;
    case platform::FileError::Busy:
      return PageOutcome::Busy;
    case platform::FileError::ReadOnly:
      return PageOutcome::ReadOnly;
    case platform::FileError::Denied:
      return PageOutcome::Denied;
    default:
      return PageOutcome::ReadFailed;
  }
}

// The page's one read, its rewrite in memory, and its one write, all while
// the page is held.
PageOutcome RewritePageFile(const char* path, const WriteSettings& settings, TitleInfo& info,
                            PageForm& form) {
  platform::FileError error;
  const std::unique_ptr<platform::ExclusiveFile> file =
      platform::Files().OpenExclusive(path, error);
  if (!file) return OutcomeOf(error);

  const PageOutcome settled = SettleJournal(path, *file, settings.sync);
  if (settled != PageOutcome::Unchanged) return settled;

  // The stamp the open took, unless settling a journal wrote the page since.
  platform::FileStamp stamp;
  if (!file->OpenedStamp(stamp)) return PageOutcome::ReadFailed;
  GrowBuffer read;
  PageOutcome failure = PageOutcome::ReadFailed;
  if (!ReadWholeFile(*file, stamp.size, read, failure)) return failure;
  const std::string_view original = read.View();
  RewrittenPage rewritten;
  if (!RewritePage(original, settings.repairLinks, rewritten, info)) return PageOutcome::NoMemory;
  form = rewritten.form;
  if (form == PageForm::DamagedWebArchive) return PageOutcome::DamagedWebArchive;
  // A page that is already in its final form is not touched at all.
  if (rewritten.bytes == original) return PageOutcome::Unchanged;
  return WriteThroughJournal(path, *file, stamp, original, rewritten.bytes, settings);
}

}  // namespace

PageOutcome CleanPage(const char* path, const WriteSettings& settings, TitleInfo& info,
                      PageForm* form) {
  info.Clear();
  PageForm read = PageForm::Page;
  PageOutcome outcome;
  try {
    outcome = RewritePageFile(path, settings, info, read);
  } catch (const std::bad_alloc&) {
    info.Clear();
    outcome = PageOutcome::NoMemory;
  }
  ApplyClosingRule(info);
  if (form != nullptr) *form = read;
  // A web archive holds its files itself: a "_files" folder of its name
  // belongs to some other page.
  if (read != PageForm::Page) return outcome;
  try {
    DeleteScripts(path);
  } catch (const std::bad_alloc&) {
    // The page is whole either way; the scripts stay for the next run.
  }
  return outcome;
}

}  // namespace page
