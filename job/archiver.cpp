#include "job/archiver.h"

#include <utility>

#include "job/job_records.h"
#include "page/charset.h"
#include "page/files_folder.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/text.h"

namespace job {
namespace {

// Names on a Windows disk are ANSI text, as the page values are. Names on a
// POSIX disk are UTF-8, while the values are ANSI text (Windows-1251) unless
// the page itself was UTF-8: there a value that is not valid UTF-8 is
// converted, so that the archive gets a readable name.
std::string NameText(const char* value, bool namesAreUtf8) {
  if (!namesAreUtf8 || page::IsUtf8(value)) return value;
  const page::GrowBuffer utf8 = page::AnsiToUtf8(value);
  if (utf8.View().empty()) return value;
  return std::string(utf8.View());
}

void CutToCapacity(std::string& text, size_t capacity, bool namesAreUtf8) {
  if (text.size() <= capacity - 1) return;
  // A UTF-8 name never ends in half a character.
  text.resize(namesAreUtf8 ? page::Utf8Prefix(text, capacity - 1).size() : capacity - 1);
}

// The value as it goes to the archiver: never readable as a switch ("-r",
// "--", "-sdel") or a list file ("@list"), whatever the page is called. A
// name beginning so is relative, and "./" before it names the same file,
// which archivers store without it. A Windows path beginning with a slash
// (from the root of the current drive) gets a backslash in its place, since
// some Windows archivers take "/" for a switch too.
std::string OutOfSwitchReach(std::string value) {
  if (value.starts_with('-') || value.starts_with('@')) {
    value.insert(0, {'.', platform::kPathSeparator});
  } else if (!value.empty() && value[0] != platform::kPathSeparator &&
             platform::IsPathSeparator(value[0])) {
    value[0] = platform::kPathSeparator;
  }
  return value;
}

}  // namespace

bool IsAcceptedFormat(std::string_view format) {
  int values = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') continue;
    if (i + 1 == format.size()) return false;
    const char conversion = format[++i];
    if (conversion == 's') {
      if (++values > 3) return false;
    } else if (conversion != '%') {
      return false;
    }
  }
  return true;
}

std::string ArchiveBaseName(const char* pagePath, page::TitleInfo& info) {
  const bool namesAreUtf8 = platform::Files().NamesAreUtf8();
  std::string base;
  if (info.title[0] == '\0') {
    base.assign(pagePath, platform::FindExtension(pagePath));
  } else {
    // The folder keeps its trailing separator; a bare file name has none.
    base.assign(pagePath, platform::FindFileName(pagePath));
    page::SanitizeName(info.title, sizeof info.title);
    page::SanitizeName(info.english, sizeof info.english);
    page::SanitizeName(info.type, sizeof info.type);
    base += NameText(info.title, namesAreUtf8);
    base += " [";
    if (info.english[0] != '\0') {
      base += NameText(info.english, namesAreUtf8);
      base += "][";
    }
    base += NameText(info.type, namesAreUtf8);
    base += ']';
  }
  CutToCapacity(base, kArchiveBaseCapacity, namesAreUtf8);
  return base;
}

int RunArchiver(const char* pagePath, page::TitleInfo& info, const ArchiverSettings& settings,
                std::string& output, JobGate* gate) {
  if (settings.program.empty() || !settings.tooLong.empty() ||
      !IsAcceptedFormat(settings.format)) {
    return STATUS_ARCHIVER_NOT_STARTED;
  }
  const std::string values[3] = {
      OutOfSwitchReach(ArchiveBaseName(pagePath, info)), OutOfSwitchReach(pagePath),
      OutOfSwitchReach(page::FilesFolder(pagePath, page::BareNameFolder::PagePath))};
  const platform::ArgumentFormat arguments{settings.format, values};
  // Like a cut "Com", a cut text could name no archive: it is refused. On
  // Windows a blank goes before it in the command line.
  if (platform::FillArgumentText(arguments).size() + 1 >= kArgumentTextCapacity) {
    return STATUS_ARCHIVER_NOT_STARTED;
  }
  if (gate != nullptr) gate->BeforeArchiving(values[0]);
  platform::ProcessResult run = platform::Processes().Run(
      settings.program.c_str(), arguments,
      {settings.hidden != 0, settings.timeoutSeconds, settings.stop, settings.captureOutput});
  output = std::move(run.output);
  switch (run.ending) {
    case platform::ProcessResult::Ending::Exited:
      return run.exitCode;
    case platform::ProcessResult::Ending::NotStarted:
      return STATUS_ARCHIVER_NOT_STARTED;
    case platform::ProcessResult::Ending::TimedOut:
      return STATUS_ARCHIVER_TIMED_OUT;
    case platform::ProcessResult::Ending::Stopped:
      return STATUS_ARCHIVER_INTERRUPTED;
  }
  return STATUS_ARCHIVER_NOT_STARTED;
}

}  // namespace job
