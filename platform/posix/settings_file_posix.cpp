#include <sys/stat.h>

// The settings are 8-bit text in the ANSI code page: no UTF-8 conversion.
// Debian's header holds the template bodies behind SI_IMPLEMENTATION.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "platform/settings_file.h"

namespace platform {
namespace {

enum class Loaded { Missing, Ok, Unreadable };

// CSimpleIniA compares section and key names without regard to ASCII
// letter case, as the Windows profile functions do, and keeps the comments
// of a loaded file so that a write gives them back.
Loaded Load(CSimpleIniA& ini, const char* file) {
  struct stat status;
  if (stat(file, &status) != 0) return Loaded::Missing;
  return ini.LoadFile(file) == SI_OK ? Loaded::Ok : Loaded::Unreadable;
}

// The value as the profile reader gives it: blanks around it are already
// gone, and one pair of matching quotes around the rest is dropped.
std::optional<std::string> FindValue(const char* file, const char* section, const char* key) {
  CSimpleIniA ini;
  if (Load(ini, file) != Loaded::Ok) return std::nullopt;
  const char* value = ini.GetValue(section, key, nullptr);
  if (value == nullptr) return std::nullopt;
  std::string text(value);
  if (text.size() >= 2 && (text.front() == '"' || text.front() == '\'') &&
      text.back() == text.front()) {
    text = text.substr(1, text.size() - 2);
  }
  return text;
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

}  // namespace

std::string ReadSettingString(const char* file, const char* section, const char* key,
                              const char* fallback, size_t capacity) {
  if (capacity == 0) return std::string();
  std::string value = FindValue(file, section, key).value_or(fallback);
  if (value.size() > capacity - 1) value.resize(capacity - 1);
  return value;
}

// A key whose value is empty counts as missing, as for the profile reader,
// which cannot tell an empty value from an absent one.
int ReadSettingInt(const char* file, const char* section, const char* key, int fallback) {
  const std::optional<std::string> value = FindValue(file, section, key);
  if (!value || value->empty()) return fallback;
  return ParseProfileInt(*value);
}

bool WriteSettingString(const char* file, const char* section, const char* key,
                        const char* value) {
  CSimpleIniA ini;
  // A file that exists but cannot be read is never overwritten: the write
  // would lose everything else in it.
  if (Load(ini, file) == Loaded::Unreadable) return false;
  ini.SetSpaces(false);
  if (ini.SetValue(section, key, value) < 0) return false;
  return ini.SaveFile(file, false) == SI_OK;
}

}  // namespace platform
