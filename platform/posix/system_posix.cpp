#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "platform/system.h"

namespace platform {
namespace {

class PosixProcess final : public RunningProcess {
 public:
  std::string ExecutablePath() override {
    std::string path(256, '\0');
    for (;;) {
      const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
      if (length < 0) return std::string();
      // readlink does not say whether it cut the name: a result that fills
      // the buffer may have been cut, so ask again with more room.
      if (static_cast<size_t>(length) < path.size()) {
        path.resize(static_cast<size_t>(length));
        return path;
      }
      path.resize(path.size() * 2);
    }
  }

  std::string FullPath(const char* path) override {
    if (path[0] == '/') return path;
    std::string folder(256, '\0');
    while (getcwd(folder.data(), folder.size()) == nullptr) {
      if (errno != ERANGE) return path;
      folder.resize(folder.size() * 2);
    }
    folder.resize(folder.find('\0'));
    return folder + '/' + path;
  }

  std::string UserSettingsFolder() override {
    const std::string configHome = AbsolutePathFromEnvironment("XDG_CONFIG_HOME");
    if (!configHome.empty()) return configHome;
    std::string home = HomeFolder();
    if (home.empty()) return home;
    if (home.back() != '/') home += '/';
    return home + ".config";
  }

  std::vector<std::string> SystemSettingsFolders() override {
    std::vector<std::string> folders;
    const char* const set = std::getenv("XDG_CONFIG_DIRS");
    const std::string list = set != nullptr ? set : "";
    for (size_t start = 0; start <= list.size();) {
      size_t end = list.find(':', start);
      if (end == std::string::npos) end = list.size();
      if (end > start && list[start] == '/') folders.push_back(list.substr(start, end - start));
      start = end + 1;
    }
    if (folders.empty()) folders.push_back("/etc/xdg");
    return folders;
  }

  bool IsProgramFile(const char* path) override {
    struct stat status {};
    return stat(path, &status) == 0 && S_ISREG(status.st_mode) && access(path, X_OK) == 0;
  }

  bool StderrIsTerminal() override { return isatty(STDERR_FILENO) == 1; }

  // Terminals here take the program's texts as they are.
  void WriteText(std::FILE* stream, std::string_view text) override {
    std::fwrite(text.data(), 1, text.size(), stream);
  }

  // glibc hands a freed block at the top of a thread's heap back to the
  // system once it exceeds the trim threshold, and serves large blocks with
  // mmap; with pages of ~150 KB every job would then fault its buffers in
  // afresh (about half of a batch's time). Fixed thresholds keep up to 64 MB
  // for reuse; larger blocks still come from mmap and go back at once.
  void KeepFreedMemoryForReuse() override {
#ifdef __GLIBC__
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
  }

  std::unique_ptr<InterruptWatch> WatchInterrupts(
      std::function<void(int exitStatus)> onInterrupt) override {
    return WatchSystemInterrupts(std::move(onInterrupt));
  }

 private:
  // The value of an environment variable when it names an absolute path;
  // the XDG rules have a relative one ignored.
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
    if (getpwuid_r(getuid(), &entry, room.data(), room.size(), &found) == 0 &&
        found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
      home = found->pw_dir;
    }
    return home;
  }
};

}  // namespace

std::vector<std::string> ProgramArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

RunningProcess& NativeProcess() {
  static PosixProcess process;
  return process;
}

}  // namespace platform
