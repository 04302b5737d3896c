#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/settings_file.h"

namespace platform {
namespace {

// A file that exists and is no settings file is neither read nor written:
// the profile functions would read a device or a huge file as they read any.
bool IsMissingOrReadable(const char* file) {
  const SettingsFileState state = CheckSettingsFile(file);
  return state == SettingsFileState::Missing || state == SettingsFileState::Readable;
}

// The profile functions look for a file without a folder in the Windows
// folder: callers pass full paths.
class ProfileFunctions final : public SettingsStore {
 public:
  std::string ReadString(const char* file, const char* section, const char* key,
                         const char* fallback, size_t capacity) override {
    if (capacity == 0) return std::string();
    if (!IsMissingOrReadable(file)) return fallback != nullptr ? fallback : "";
    const auto room = static_cast<DWORD>(capacity > MAXDWORD ? MAXDWORD : capacity);
    std::vector<char> buffer(room, '\0');
    const DWORD length =
        GetPrivateProfileStringA(section, key, fallback, buffer.data(), room, file);
    return std::string(buffer.data(), length);
  }

  int ReadInt(const char* file, const char* section, const char* key, int fallback) override {
    if (!IsMissingOrReadable(file)) return fallback;
    return static_cast<int>(GetPrivateProfileIntA(section, key, fallback, file));
  }

  bool WriteString(const char* file, const char* section, const char* key,
                   const char* value) override {
    if (!IsMissingOrReadable(file)) return false;
    return WritePrivateProfileStringA(section, key, value, file) != FALSE;
  }
};

}  // namespace

SettingsFileState CheckSettingsFile(const char* file) {
  // Opening a pipe or a device never waits; what the handle is tells them
  // from a file on a disk. A folder opens too, and is told by its attributes.
  const HANDLE handle =
      CreateFileA(file, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? SettingsFileState::Missing
               : SettingsFileState::Unreadable;
  }
  BY_HANDLE_FILE_INFORMATION information;
  SettingsFileState state = SettingsFileState::Readable;
  if (GetFileType(handle) != FILE_TYPE_DISK) {
    state = SettingsFileState::NotAFile;
  } else if (!GetFileInformationByHandle(handle, &information)) {
    state = SettingsFileState::Unreadable;
  } else if ((information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    state = SettingsFileState::NotAFile;
  } else if ((uint64_t{information.nFileSizeHigh} << 32 | information.nFileSizeLow) >
             kMaxSettingsFileSize) {
    state = SettingsFileState::TooLarge;
  }
  CloseHandle(handle);
  return state;
}

SettingsStore& NativeSettings() {
  static ProfileFunctions settings;
  return settings;
}

}  // namespace platform
