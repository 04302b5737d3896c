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

// The longest name an archive gets: a file system holds names of 255 bytes
// (ext4) or 255 UTF-16 units (NTFS), and the archiver adds its extension.
constexpr size_t kMaxArchiveNameLength = 255 - 15;

// `text` without as many of its last characters as make it at most `room`
// long as the system counts a name, and without the blanks the cut left at
// its end.
std::string CutToLength(std::string text, size_t room) {
  while (!text.empty() && platform::PathLength(text) > room) {
    text.resize(page::Utf8Prefix(text, text.size() - 1).size());
  }
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

// "Title [English][Type]", or "Title [Type]" without English. A name too
// long for a file system loses the end of its English name first, then,
// with no English left, the end of its title: the type always stays.
std::string ArchiveName(const std::string& title, std::string english, const std::string& type) {
  const auto roomBeside = [](const std::string& rest) {
    const size_t length = platform::PathLength(rest);
    return length < kMaxArchiveNameLength ? kMaxArchiveNameLength - length : 0;
  };
  const std::string englishTail = "][" + type + "]";
  if (!english.empty()) english = CutToLength(english, roomBeside(title + " [" + englishTail));
  if (!english.empty()) return title + " [" + english + englishTail;
  const std::string typePart = " [" + type + "]";
  return CutToLength(title, roomBeside(typePart)) + typePart;
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
  std::string base;
  if (info.title[0] == '\0') {
    base.assign(pagePath, platform::FindExtension(pagePath));
  } else {
    // The folder keeps its trailing separator; a bare file name has none.
    base.assign(pagePath, platform::FindFileName(pagePath));
    page::SanitizeName(info.title, sizeof info.title);
    page::SanitizeName(info.english, sizeof info.english);
    page::SanitizeName(info.type, sizeof info.type);
    base += ArchiveName(FileNameText(info.title, info.charset),
                        FileNameText(info.english, info.charset),
                        FileNameText(info.type, info.charset));
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
  const std::string values[3] = {
      OutOfSwitchReach(ArchiveBaseName(pagePath, info)), OutOfSwitchReach(pagePath),
      OutOfSwitchReach(page::FilesFolder(pagePath, page::BareNameFolder::PagePath))};
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
