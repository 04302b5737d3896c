#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/user_folders.h"

namespace platform {
namespace {

// The value of an environment variable when it names an absolute path; the
// XDG rules have a relative one ignored.
std::string AbsolutePathFromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] == '/' ? value : std::string();
}

std::string HomeFolder() {
  std::string home = AbsolutePathFromEnvironment("HOME");
  if (!home.empty()) return home;
  // Without HOME (a service, a stripped environment) the user database
  // still knows it.
  std::vector<char> room(16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, room.data(), room.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    home = found->pw_dir;
  }
  return home;
}

bool IsFolder(const char* path) {
  struct stat status;
  return stat(path, &status) == 0 && S_ISDIR(status.st_mode);
}

}  // namespace

std::string UserSettingsFolder() {
  const std::string configHome = AbsolutePathFromEnvironment("XDG_CONFIG_HOME");
  if (!configHome.empty()) return configHome;
  std::string home = HomeFolder();
  if (home.empty()) return home;
  if (home.back() != '/') home += '/';
  return home + ".config";
}

bool CreateFolders(const char* path) {
  const std::string full = path;
  // Every folder on the way, from the top; one that cannot be made shows
  // in the final test.
  for (size_t end = full.find('/', 1);; end = full.find('/', end + 1)) {
    const std::string folder = full.substr(0, end);
    if (!folder.empty() && !IsFolder(folder.c_str())) mkdir(folder.c_str(), 0700);
    if (end == std::string::npos) break;
  }
  return IsFolder(path);
}

}  // namespace platform
