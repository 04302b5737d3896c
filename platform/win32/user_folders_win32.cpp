#include <windows.h>

#include <string>

#include "platform/user_folders.h"

namespace platform {

// Velkor.exe, unpacked into any folder, keeps velkor.ini beside itself.
std::string UserSettingsFolder() { return std::string(); }

bool CreateFolders(const char* path) {
  const std::string full = path;
  // Every folder on the way, from the top; a drive or share that cannot be
  // made is simply there, and one that is missing shows in the final test.
  for (size_t end = full.find_first_of("\\/", 1);; end = full.find_first_of("\\/", end + 1)) {
    const std::string folder = full.substr(0, end);
    if (!folder.empty() && GetFileAttributesA(folder.c_str()) == INVALID_FILE_ATTRIBUTES) {
      CreateDirectoryA(folder.c_str(), nullptr);
    }
    if (end == std::string::npos) break;
  }
  const DWORD attributes = GetFileAttributesA(path);
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

}  // namespace platform
