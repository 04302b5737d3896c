#include "job/process_job.h"

#include <cstring>
#include <new>
#include <optional>
#include <string>
#include <utility>

#include "page/files_folder.h"
#include "page/journal.h"
#include "page/page_cleaner.h"
#include "page/title_info.h"
#include "page/web_archive_file.h"
#include "platform/files.h"
#include "platform/text.h"

namespace job {
namespace {

// Renames page.html, page.shtml, page.HTML... to page.htm in place of the
// request's path. When the rename fails, for instance because page.htm
// exists already, the job goes on with the old name.
void MakeExtensionHtm(JobRequest& request) {
  char* extension = platform::FindExtension(request.path);
  // A name without an extension has no "." to put "htm" after; the intake
  // never queues one, so it is left as it is.
  if (*extension == '\0' || platform::CompareNoCase(extension, ".htm") == 0) return;
  // A link is left as it is, its name included: it may lead anywhere.
  if (platform::Files().IsLink(request.path)) return;
  const size_t stem = static_cast<size_t>(extension - request.path);
  if (stem + sizeof(".htm") > sizeof request.path) return;
  // A journal under the old name belongs to a write that did not finish: the
  // page keeps its name until that journal has been settled.
  const std::string journal = std::string(request.path) += page::kJournalSuffix;
  if (platform::Files().Kind(journal.c_str()) != platform::PathKind::Missing) return;
  // A web archive keeps its name, whatever its extension: a browser would
  // show a ".htm" one as text. So does a file whose first bytes cannot be
  // read, since what it holds is not known.
  const std::optional<bool> webArchive = page::IsWebArchiveFile(request.path);
  if (!webArchive || *webArchive) return;

  char oldPath[sizeof request.path];
  std::memcpy(oldPath, request.path, sizeof oldPath);
  std::memcpy(extension, ".htm", sizeof(".htm"));
  if (!platform::Files().RenameNoReplace(oldPath, request.path)) {
    std::memcpy(request.path, oldPath, sizeof oldPath);
  }
}

}  // namespace

int32_t PageStatus(page::PageOutcome outcome) {
  using page::PageOutcome;
  switch (outcome) {
    case PageOutcome::Rewritten:
    case PageOutcome::Unchanged:
      return STATUS_OK;
    case PageOutcome::JournalKept:
      return STATUS_JOURNAL_KEPT;
    case PageOutcome::JournalDamaged:
      return STATUS_JOURNAL_DAMAGED;
    case PageOutcome::Missing:
      return STATUS_PAGE_MISSING;
    case PageOutcome::NotAFile:
      return STATUS_PAGE_NOT_A_FILE;
    case PageOutcome::Linked:
      return STATUS_PAGE_LINKED;
    case PageOutcome::Busy:
      return STATUS_PAGE_BUSY;
    case PageOutcome::ReadOnly:
      return STATUS_PAGE_READ_ONLY;
    case PageOutcome::Denied:
      return STATUS_PAGE_DENIED;
    case PageOutcome::TooLarge:
      return STATUS_PAGE_TOO_LARGE;
    case PageOutcome::NoMemory:
      return STATUS_PAGE_NO_MEMORY;
    case PageOutcome::ReadFailed:
      return STATUS_PAGE_READ_FAILED;
    case PageOutcome::JournalNotCreated:
      return STATUS_JOURNAL_NOT_CREATED;
    case PageOutcome::Changed:
      return STATUS_PAGE_CHANGED;
    case PageOutcome::WriteFailed:
      return STATUS_PAGE_WRITE_FAILED;
    case PageOutcome::NotRolledBack:
      return STATUS_PAGE_NOT_ROLLED_BACK;
    case PageOutcome::StaleJournal:
      return STATUS_STALE_JOURNAL;
    case PageOutcome::DamagedWebArchive:
      return STATUS_WEB_ARCHIVE_DAMAGED;
  }
  return STATUS_PAGE_READ_FAILED;
}

std::unique_ptr<JobResult> ProcessJob(JobRequest& request, ResultSink& sink,
                                      const JobSettings& settings, JobGate* gate) {
  std::unique_ptr<JobResult> result(new (std::nothrow) JobResult{});
  if (!result) return nullptr;

  request.path[sizeof request.path - 1] = '\0';
  try {
    MakeExtensionHtm(request);
  } catch (const std::bad_alloc&) {
    // The page keeps its name; the rest of the job goes on.
  }
  platform::CopyText(result->name, sizeof result->name, platform::FindFileName(request.path));
  sink.JobStarted(result->name);

  page::TitleInfo info;
  page::PageForm form = page::PageForm::Page;
  const int32_t pageStatus =
      PageStatus(page::CleanPage(request.path, {request.fix == 1, settings.sync}, info, &form));

  result->status = request.fix == 1 ? STATUS_OK : STATUS_NO_ACTIONS;
  if (request.archive == 1) {
    try {
      std::string output;
      // A page saved without its folder ("HTML only", or one whose folder
      // went) is packed alone, as a web archive is: an archiver asked to
      // pack a folder that is not there warns, and the page would fail.
      const bool alone =
          form != page::PageForm::Page ||
          platform::Files().Kind(
              page::FilesFolder(request.path, page::BareNameFolder::PagePath).c_str()) ==
              platform::PathKind::Missing;
      result->status = RunArchiver(request.path, info, settings.archiver, output, gate, alone);
      if (!output.empty()) sink.ArchiverOutput(std::move(output));
    } catch (const std::bad_alloc&) {
      result->status = STATUS_ARCHIVE_NO_MEMORY;
    }
  }
  if (pageStatus != STATUS_OK) result->status = pageStatus;
  return result;
}

JobRunner PageJobRunner(const JobSettings& settings) {
  return [&settings](JobRequest& request, ResultSink& sink, JobGate& gate) {
    return ProcessJob(request, sink, settings, &gate);
  };
}

}  // namespace job
