// The profile (INI) file: section and key names without regard to letter
// case, a value in matching quotes loses them, writes keep the rest of the
// file and its comments.
#pragma once

#include <string>

namespace platform {

// The value of `key`, at most `capacity - 1` bytes of it; `fallback` when the
// file, the section or the key is missing.
std::string ReadSettingString(const char* file, const char* section, const char* key,
                              const char* fallback, size_t capacity);

// The value of `key` read as the profile reader reads integers (leading
// blanks, a sign, decimal digits; 0 when none); `fallback` when missing.
int ReadSettingInt(const char* file, const char* section, const char* key, int fallback);

// Sets `key` to `value`, creating the file and the section when needed.
bool WriteSettingString(const char* file, const char* section, const char* key,
                        const char* value);

}  // namespace platform
