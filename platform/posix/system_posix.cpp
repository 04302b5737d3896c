#include <unistd.h>

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

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

// Terminals here take the program's texts as they are.
std::string AnsiToConsole(const std::string& text) { return text; }

}  // namespace platform
