#include "job/archiver.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "job/job_records.h"
#include "page/charset.h"
#include "page/files_folder.h"
#include "page/name_text.h"
#include "platform/process.h"
#include "platform/text.h"

namespace job {
namespace {

// The room in which a name's text is sanitised: what the sanitising itself
// keeps at most, and more than any field's text takes in UTF-8.
constexpr size_t kSanitizeRoom = 4096;

// A field, sanitised in its page's charset, as the UTF-8 text of a file
// name. Sanitised once more: a character reference may have stood for a
// character that no name may hold as it is ("&#47;").
std::string FileNameText(const char* field, page::PageCharset charset) {
  const page::GrowBuffer text = page::NameText(field, charset);
  if (text.RanOutOfMemory()) throw std::bad_alloc();
  std::string name(text.View());
  name.resize(std::max(name.size() + 1, kSanitizeRoom));
  page::SanitizeName(name.data(), name.size());
  name.resize(std::strlen(name.c_str()));
  return name;
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
  std::string base;
  if (info.title[0] == '\0') {
    base.assign(pagePath, platform::FindExtension(pagePath));
  } else {
    // The folder keeps its trailing separator; a bare file name has none.
    base.assign(pagePath, platform::FindFileName(pagePath));
    page::SanitizeName(info.title, sizeof info.title);
    page::SanitizeName(info.english, sizeof info.english);
    page::SanitizeName(info.type, sizeof info.type);
    base += FileNameText(info.title, info.charset);
    base += " [";
    if (info.english[0] != '\0') {
      base += FileNameText(info.english, info.charset);
      base += "][";
    }
    base += FileNameText(info.type, info.charset);
    base += ']';
  }
  // A name never ends in half a character.
  if (base.size() >= kArchiveBaseCapacity) {
    base.resize(page::Utf8Prefix(base, kArchiveBaseCapacity - 1).size());
  }
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
