#include <unistd.h>

#include <cerrno>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <string>

#include "platform/system.h"

namespace platform {

std::string ExecutablePath() {
  std::string path(256, '\0');
  for (;;) {
    const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
    if (length < 0) return std::string();
    // readlink does not say whether it cut the name: a result that fills the
    // buffer may have been cut, so ask again with more room.
    if (static_cast<size_t>(length) < path.size()) {
      path.resize(static_cast<size_t>(length));
      return path;
    }
    path.resize(path.size() * 2);
  }
}

// glibc hands a freed block at the top of a thread's heap back to the
// system once it exceeds the trim threshold, and serves large blocks with
// mmap; with pages of ~150 KB every job would then fault its buffers in
// afresh (about half of a batch's time). Fixed thresholds keep up to 64 MB
// for reuse; larger blocks still come from mmap and go back at once.
void KeepFreedMemoryForReuse() {
#ifdef __GLIBC__
  mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
  mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

std::string FullPath(const char* path) {
  if (path[0] == '/') return path;
  std::string folder(256, '\0');
  while (getcwd(folder.data(), folder.size()) == nullptr) {
    if (errno != ERANGE) return path;
    folder.resize(folder.size() * 2);
  }
  folder.resize(folder.find('\0'));
  return folder + '/' + path;
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

// Terminals here take the program's texts as they are.
std::string AnsiToConsole(const std::string& text, StdStream) { return text; }

}  // namespace platform
