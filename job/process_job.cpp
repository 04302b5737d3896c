#include "job/process_job.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "page/link_repair.h"
#include "page/page_cleaner.h"
#include "page/title_info.h"
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
  const size_t stem = static_cast<size_t>(extension - request.path);
  if (stem + sizeof(".htm") > sizeof request.path) return;

  char oldPath[sizeof request.path];
  std::memcpy(oldPath, request.path, sizeof oldPath);
  std::memcpy(extension, ".htm", sizeof(".htm"));
  if (!platform::Files().RenameNoReplace(oldPath, request.path)) {
    std::memcpy(request.path, oldPath, sizeof oldPath);
  }
}

}  // namespace

std::unique_ptr<JobResult> ProcessJob(JobRequest& request, ResultSink& sink,
                                      const ArchiverSettings& settings) {
  std::unique_ptr<JobResult> result(new (std::nothrow) JobResult{});
  if (!result) return nullptr;

  request.path[sizeof request.path - 1] = '\0';
  MakeExtensionHtm(request);
  platform::CopyText(result->name, sizeof result->name, platform::FindFileName(request.path));
  sink.SetCaption(result->name);

  if (request.fix == 1) {
    page::RepairSavedLinks(request.path);
  } else {
    result->status = STATUS_NO_ACTIONS;
  }

  page::TitleInfo info;
  page::CleanPage(request.path, info);

  if (request.archive == 1) {
    std::string output;
    result->status = RunArchiver(request.path, info, settings, output);
    if (!output.empty()) sink.ArchiverOutput(std::move(output));
  }
  return result;
}

}  // namespace job
