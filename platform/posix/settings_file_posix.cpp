// The settings are 8-bit text in the ANSI code page: no UTF-8 conversion.
// Debian's header holds the template bodies behind SI_IMPLEMENTATION.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <fcntl.h>
#include <stdlib.h>  // realpath
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/files.h"
#include "platform/posix/profile_store.h"

namespace platform {
namespace {

// A profile as the Windows profile functions see one: CSimpleIniA compares
// section and key names without regard to ASCII letter case; with repeated
// keys allowed, a repeated key keeps all its lines and the first one is
// read. Writes edit the text itself (SetProfileValue below).
bool Parse(const std::string& text, CSimpleIniA& ini) {
  ini.SetMultiKey(true);
  return ini.LoadData(text) == SI_OK;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Decimal digits after blanks and a sign; the digits stop at the first
// other character, none at all read as 0. Overflow wraps around as in the
// profile reader, whose arithmetic is modulo 2^32.
int ParseProfileInt(const std::string& text) {
  const char* at = text.c_str();
  while (IsBlank(*at)) ++at;
  const bool negative = *at == '-';
  if (*at == '-' || *at == '+') ++at;
  uint32_t magnitude = 0;
  for (; *at >= '0' && *at <= '9'; ++at) {
    magnitude = magnitude * 10u + static_cast<uint32_t>(*at - '0');
  }
  const uint32_t value = negative ? 0u - magnitude : magnitude;
  return static_cast<int>(value);
}

// Blanks around a name or a value, as the profile reader drops them.
std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") + 1 - first);
}

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// `text` with `key` of `section` set to `value`, every other byte as it was:
// the value on the key's first line is replaced where it stands (the reader
// takes that one), or a line is added after the last key of the first such
// section (a section is added at the end of the file when there is none),
// with the file's own line ends.
std::string SetProfileValue(std::string_view text, std::string_view section,
                            std::string_view key, std::string_view value) {
  const size_t firstEnd = text.find('\n');
  const std::string lineEnd =
      firstEnd != std::string_view::npos && firstEnd > 0 && text[firstEnd - 1] == '\r' ? "\r\n"
                                                                                      : "\n";
  bool inSection = false, inFirstSection = false, sectionSeen = false;
  size_t insertAt = std::string_view::npos;
  size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
  while (start < text.size()) {
    const size_t newline = text.find('\n', start);
    const size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
    std::string_view content = text.substr(start, next - start);
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r')) {
      content.remove_suffix(1);
    }
    start = next;
    const std::string_view trimmed = Trim(content);
    if (trimmed.starts_with('[')) {
      const size_t close = trimmed.find(']');
      inSection = close != std::string_view::npos &&
                  SameName(Trim(trimmed.substr(1, close - 1)), section);
      inFirstSection = inSection && !sectionSeen;
      sectionSeen = sectionSeen || inSection;
      if (inFirstSection) insertAt = next;
      continue;
    }
    if (!inSection || trimmed.empty() || trimmed[0] == ';' || trimmed[0] == '#') continue;
    const size_t equals = content.find('=');
    if (equals != std::string_view::npos && SameName(Trim(content.substr(0, equals)), key)) {
      const std::string_view old = Trim(content.substr(equals + 1));
      const size_t valueAt = old.empty() ? static_cast<size_t>(content.end() - text.begin())
                                         : static_cast<size_t>(old.data() - text.data());
      return std::string(text.substr(0, valueAt)) += std::string(value) +=
             text.substr(valueAt + old.size());
    }
    if (inFirstSection) insertAt = next;
  }
  std::string edited(text.substr(0, std::min(insertAt, text.size())));
  if (!edited.empty() && edited.back() != '\n') edited += lineEnd;
  if (!sectionSeen) edited.append("[").append(section).append("]").append(lineEnd);
  edited.append(key).append("=").append(value).append(lineEnd);
  if (insertAt < text.size()) edited += text.substr(insertAt);
  return edited;
}

// Puts `text` in place of the whole of `file` as a file that must not be
// lost is written: into a new file beside it, as private as the old one,
// flushed, then renamed over it, so that a full disk or a kill at any moment
// leaves the old file or the new one, never part of either. A file that is
// a link stays one: what it leads to is replaced. A file marked read-only is
// left as the user marked it. No lock is asked of the old file: an archiver
// started meanwhile may briefly hold a copy of this process's locks.
bool ReplaceWholeFile(const char* file, std::string_view text) {
  FileSystem& files = Files();
  std::string target = file;
  if (files.IsLink(file)) {
    const std::unique_ptr<char, void (*)(void*)> resolved(realpath(file, nullptr), std::free);
    if (!resolved) return false;
    target = resolved.get();
  }
  struct stat status;
  uint32_t permissions = 0600;
  if (stat(target.c_str(), &status) == 0) {
    if ((status.st_mode & S_IWUSR) == 0) return false;
    permissions = status.st_mode & 0777;
  } else if (errno != ENOENT) {
    return false;
  }

  FileError error;
  const std::string fresh = target + ".velkor-new";
  std::unique_ptr<ExclusiveFile> made = files.CreateExclusive(fresh.c_str(), error);
  if (!made && error == FileError::Exists) {
    // What a write killed before its rename leaves; one that is held
    // belongs to a write under way.
    if (!files.OpenExclusive(fresh.c_str(), error) || !files.RemoveFile(fresh.c_str())) {
      return false;
    }
    made = files.CreateExclusive(fresh.c_str(), error);
  }
  if (!made) return false;
  const bool written = made->SetPermissions(permissions) &&
                       made->WriteAt(0, text.data(), text.size()) ==
                           static_cast<int64_t>(text.size()) &&
                       made->Flush();
  made.reset();
  if (!written || !files.RenameReplacing(fresh.c_str(), target.c_str())) {
    files.RemoveFile(fresh.c_str());
    return false;
  }
  return files.FlushFolderOf(target.c_str());
}

// Opens `file` for reading when it is Readable (`fd`, which the caller
// closes; -1 otherwise). Only a regular file is opened, and without waiting,
// in case a pipe took its place after it was looked at.
SettingsFileState OpenSettingsFile(const char* file, int& fd) {
  fd = -1;
  struct stat status;
  if (stat(file, &status) != 0) {
    return errno == ENOENT || errno == ENOTDIR ? SettingsFileState::Missing
                                               : SettingsFileState::Unreadable;
  }
  if (!S_ISREG(status.st_mode)) return SettingsFileState::NotAFile;
  fd = open(file, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return SettingsFileState::Unreadable;
  SettingsFileState state = SettingsFileState::Readable;
  if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    state = SettingsFileState::NotAFile;
  } else if (static_cast<uint64_t>(status.st_size) > kMaxSettingsFileSize) {
    state = SettingsFileState::TooLarge;
  }
  if (state != SettingsFileState::Readable) {
    close(fd);
    fd = -1;
  }
  return state;
}

}  // namespace

ProfileStore::ProfileStore(TextReader read) : read_(read) {}

std::optional<std::string> ProfileStore::FindValue(const char* file, const char* section,
                                                   const char* key) const {
  bool exists = false;
  const std::optional<std::string> text = read_(file, exists);
  CSimpleIniA ini;
  if (!text || !Parse(*text, ini)) return std::nullopt;
  const char* value = ini.GetValue(section, key, nullptr);
  if (value == nullptr) return std::nullopt;
  std::string_view found(value);
  if (found.size() >= 2 && (found.front() == '"' || found.front() == '\'') &&
      found.back() == found.front()) {
    found = found.substr(1, found.size() - 2);
  }
  return std::string(found);
}

std::string ProfileStore::ReadString(const char* file, const char* section, const char* key,
                                     const char* fallback, size_t capacity) {
  if (capacity == 0) return std::string();
  std::string value =
      FindValue(file, section, key).value_or(fallback != nullptr ? fallback : "");
  if (value.size() > capacity - 1) value.resize(capacity - 1);
  return value;
}

// A key whose value is empty counts as missing, as for the profile reader,
// which cannot tell an empty value from an absent one.
int ProfileStore::ReadInt(const char* file, const char* section, const char* key, int fallback) {
  const std::optional<std::string> value = FindValue(file, section, key);
  if (!value || value->empty()) return fallback;
  return ParseProfileInt(*value);
}

bool ProfileStore::WriteString(const char* file, const char* section, const char* key,
                               const char* value) {
  bool exists = false;
  const std::optional<std::string> read = read_(file, exists);
  // A file that exists but cannot be read is never overwritten: the write
  // would lose everything else in it.
  if (exists && !read) return false;
  const std::string text = read.value_or(std::string());
  const std::string edited = SetProfileValue(text, section, key, value);
  if (exists && edited == text) return true;
  return ReplaceWholeFile(file, edited);
}

SettingsFileState CheckSettingsFile(const char* file) {
  int fd = -1;
  const SettingsFileState state = OpenSettingsFile(file, fd);
  if (fd >= 0) close(fd);
  return state;
}

std::optional<std::string> ReadWholeText(const char* file, bool& exists) {
  int fd = -1;
  exists = OpenSettingsFile(file, fd) != SettingsFileState::Missing;
  if (fd < 0) return std::nullopt;
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    // A file that grew past the limit since it was looked at is refused
    // as one that was that large from the start.
    if (got <= 0 || text.size() + static_cast<size_t>(got) > kMaxSettingsFileSize) {
      close(fd);
      return got == 0 ? std::optional<std::string>(std::move(text)) : std::nullopt;
    }
    text.append(chunk, static_cast<size_t>(got));
  }
}

SettingsStore& NativeSettings() {
  static ProfileStore settings(ReadWholeText);
  return settings;
}

}  // namespace platform
