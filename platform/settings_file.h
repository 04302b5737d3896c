// The profile (INI) file: section and key names without regard to letter
// case, a value in matching quotes loses them, writes keep the rest of the
// file and its comments.
#pragma once

#include <cstddef>
#include <string>

#include "platform/service.h"

namespace platform {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;

  // The value of `key` as the program's UTF-8, at most `capacity - 1`
  // characters of it as the system counts them (platform::PathLength);
  // `fallback` when the file, the section or the key is missing.
  virtual std::string ReadString(const char* file, const char* section, const char* key,
                                 const char* fallback, size_t capacity) = 0;

  // The value of `key` read as the profile reader reads integers (leading
  // blanks, a sign, decimal digits; 0 when none); `fallback` when missing.
  virtual int ReadInt(const char* file, const char* section, const char* key, int fallback) = 0;

  // Sets `key` to `value`, creating the file and the section when needed.
  // False, with the file as it was, when it cannot be written.
  virtual bool WriteString(const char* file, const char* section, const char* key,
                           const char* value) = 0;
};

SettingsStore& NativeSettings();
// The implementation in use: the native one unless a test has put another
// in its place with a ScopedSettingsStore.
inline SettingsStore& Settings() { return ServiceSlot<SettingsStore>::Get(NativeSettings()); }
using ScopedSettingsStore = ScopedService<SettingsStore>;

}  // namespace platform
