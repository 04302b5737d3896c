#include <windows.h>

#include <string>
#include <vector>

#include "platform/settings_file.h"

namespace platform {
namespace {

// The profile functions look for a file without a folder in the Windows
// folder: callers pass full paths.
class ProfileFunctions final : public SettingsStore {
 public:
  std::string ReadString(const char* file, const char* section, const char* key,
                         const char* fallback, size_t capacity) override {
    if (capacity == 0) return std::string();
    const auto room = static_cast<DWORD>(capacity > MAXDWORD ? MAXDWORD : capacity);
    std::vector<char> buffer(room, '\0');
    const DWORD length =
        GetPrivateProfileStringA(section, key, fallback, buffer.data(), room, file);
    return std::string(buffer.data(), length);
  }

  int ReadInt(const char* file, const char* section, const char* key, int fallback) override {
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, file));
  }

  bool WriteString(const char* file, const char* section, const char* key,
                   const char* value) override {
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
  }
};

}  // namespace

SettingsStore& NativeSettings() {
  static ProfileFunctions settings;
  return settings;
}

}  // namespace platform
