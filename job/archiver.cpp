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

std::string FormatWithoutFolder(std::string_view format) {
  int values = 0;
  bool quoted = false;
  size_t backslashes = 0;
  size_t previousEnd = 0;  // where the argument before this one ends
  bool inArgument = false;
  int argumentValues = 0;
  bool holdsFolder = false;
  for (size_t i = 0; i <= format.size(); ++i) {
    const bool atEnd = i == format.size();
    const char c = atEnd ? ' ' : format[i];
    if ((!quoted || atEnd) && (c == ' ' || c == '\t')) {
      if (!inArgument) continue;
      if (holdsFolder) {
        if (argumentValues != 1) break;
        return std::string(format.substr(0, previousEnd)) += format.substr(i);
      }
      previousEnd = i;
      inArgument = false;
      continue;
    }
    if (!inArgument) {
      inArgument = true;
      argumentValues = 0;
    }
    // A quote after an even number of backslashes opens or closes quoting.
    if (c == '"' && backslashes % 2 == 0) quoted = !quoted;
    backslashes = c == '\\' ? backslashes + 1 : 0;
    if (c == '%' && i + 1 < format.size() && format[++i] == 's') {
      ++argumentValues;
      if (++values == 3) holdsFolder = true;
    }
  }
  return std::string(format);
}

int RunArchiver(const char* pagePath, page::TitleInfo& info, const ArchiverSettings& settings,
                std::string& output, JobGate* gate, bool alone) {
  if (settings.program.empty() || !settings.tooLong.empty() ||
      !IsAcceptedFormat(settings.format)) {
    return STATUS_ARCHIVER_NOT_STARTED;
  }
  const std::string values[3] = {ArchiveBaseName(pagePath, info), pagePath,
                                 page::FilesFolder(pagePath, page::BareNameFolder::PagePath)};
  const std::string format = alone ? FormatWithoutFolder(settings.format) : settings.format;
  const platform::ArgumentFormat arguments{format, values};
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
