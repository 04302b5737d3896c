// The settings store where the system has no profile functions: the file
// parsed and rewritten as the Windows profile functions read and write it.
#pragma once

#include <optional>
#include <string>

#include "platform/settings_file.h"

namespace platform {

// The whole text of `file`; nothing when it is missing or cannot be read,
// which `exists` tells apart.
using TextReader = std::optional<std::string> (*)(const char* file, bool& exists);

// Reads the file with open() and read() when CheckSettingsFile finds it
// Readable; one that exists and is not counts as unreadable.
std::optional<std::string> ReadWholeText(const char* file, bool& exists);

// The store reads files through `read`, so that a test can show it a file
// that exists and cannot be read, which a test run as root cannot make.
class ProfileStore final : public SettingsStore {
 public:
  explicit ProfileStore(TextReader read);

  std::string ReadString(const char* file, const char* section, const char* key,
                         const char* fallback, size_t capacity) override;
  int ReadInt(const char* file, const char* section, const char* key, int fallback) override;
  bool WriteString(const char* file, const char* section, const char* key,
                   const char* value) override;

 private:
  // The value as the profile reader gives it: blanks around it are already
  // gone, and one pair of matching quotes around the rest is dropped.
  std::optional<std::string> FindValue(const char* file, const char* section,
                                       const char* key) const;

  TextReader read_;
};

}  // namespace platform
