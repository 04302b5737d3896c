#include "job/archiver.h"

#include "job/job_records.h"
#include "platform/process.h"
#include "platform/text.h"

namespace job {
namespace {

void CutToCapacity(std::string& text, size_t capacity) {
  if (text.size() > capacity - 1) text.resize(capacity - 1);
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
    base += info.title;
    if (info.english[0] != '\0') {
      base += " [";
      base += info.english;
      base += "][";
    } else {
      base += " [";
    }
    base += info.type;
    base += ']';
  }
  CutToCapacity(base, kArchiveBaseCapacity);
  return base;
}

std::string FilesFolder(const char* pagePath) {
  const char* extension = platform::FindExtension(pagePath);
  std::string folder(pagePath, extension);
  if (*extension != '\0') folder += "_files";
  CutToCapacity(folder, kArgumentTextCapacity);
  return folder;
}

std::string FillFormat(std::string_view format, const std::string (&values)[3]) {
  std::string text;
  size_t next = 0;
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size()) {
      const char conversion = format[++i];
      if (conversion == 's' && next < 3) {
        text += values[next++];
      } else if (conversion == '%') {
        text += '%';
      }
      continue;
    }
    text += format[i];
  }
  CutToCapacity(text, kArgumentTextCapacity);
  return text;
}

bool BuildArgumentText(const char* pagePath, page::TitleInfo& info, std::string_view format,
                       std::string& text) {
  if (!IsAcceptedFormat(format)) return false;
  std::string path(pagePath);
  CutToCapacity(path, kArgumentTextCapacity);
  const std::string values[3] = {ArchiveBaseName(pagePath, info), path, FilesFolder(pagePath)};
  text = FillFormat(format, values);
  return true;
}

int RunArchiver(const char* pagePath, page::TitleInfo& info, const ArchiverSettings& settings) {
  std::string argumentText;
  if (settings.program.empty() ||
      !BuildArgumentText(pagePath, info, settings.format, argumentText)) {
    return STATUS_ARCHIVER_NOT_STARTED;
  }
  return platform::RunProcess(settings.program.c_str(), argumentText.c_str(),
                              settings.hidden != 0);
}

}  // namespace job
