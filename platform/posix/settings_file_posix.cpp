// The settings are 8-bit text in the ANSI code page: no UTF-8 conversion.
// Debian's header holds the template bodies behind SI_IMPLEMENTATION.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/posix/profile_store.h"

namespace platform {
namespace {

// A profile as the Windows profile functions see one: CSimpleIniA compares
// section and key names without regard to ASCII letter case; with repeated
// keys allowed, a repeated key keeps all its lines and the first one is
// read. Comments come back on a write.
bool Parse(const std::string& text, CSimpleIniA& ini) {
  ini.SetMultiKey(true);
  ini.SetSpaces(false);
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

// The comment and blank lines that end a file after its last section or
// key. SimpleIni keeps a comment only with the section or key that follows
// it (or, at the top, as the file's own comment), so these would be lost on
// a write without being put back.
std::string_view TrailingComments(std::string_view text) {
  size_t start = text.size();
  while (start > 0) {
    size_t end = start;
    if (end > 0 && text[end - 1] == '\n') --end;
    if (end > 0 && text[end - 1] == '\r') --end;
    const size_t lineStart = end == 0 ? 0 : text.find_last_of("\r\n", end - 1) + 1;
    const size_t first = text.find_first_not_of(" \t", lineStart);
    if (first < end && text[first] != ';' && text[first] != '#') break;
    start = lineStart;
  }
  if (start == 0 || text.find_first_of(";#", start) == text.npos) return {};
  return text.substr(start);
}

// SimpleIni writes bare line feeds; a file written with CR LF keeps them.
void MatchLineEnds(const std::string& original, std::string& out) {
  if (original.find("\r\n") == std::string::npos) return;
  std::string converted;
  converted.reserve(out.size() + out.size() / 16);
  for (char c : out) {
    if (c == '\n') converted += '\r';
    converted += c;
  }
  out = std::move(converted);
}

// The spelling under which the file already holds `key`, or `key` itself.
// A copy: the write replaces the entry that holds the stored one.
std::string StoredKeySpelling(const CSimpleIniA& ini, const char* section, const char* key) {
  CSimpleIniA::TNamesDepend keys;
  ini.GetAllKeys(section, keys);
  for (const CSimpleIniA::Entry& entry : keys) {
    if (strcasecmp(entry.pItem, key) == 0) return entry.pItem;
  }
  return key;
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
  CSimpleIniA ini;
  if (!Parse(text, ini)) return false;
  const std::string storedKey = StoredKeySpelling(ini, section, key);
  if (ini.SetValue(section, storedKey.c_str(), value, nullptr, true) < 0) {
    return false;
  }
  std::string out;
  if (ini.Save(out) != SI_OK) return false;
  MatchLineEnds(text, out);
  out += TrailingComments(text);
  std::ofstream written(file, std::ios::binary | std::ios::trunc);
  written.write(out.data(), static_cast<std::streamsize>(out.size()));
  written.close();
  return !written.fail();
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
