#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "platform/process.h"

extern char** environ;

namespace platform {

// There are no windows to hide, so `hidden` has no effect here. A program
// killed by a signal must not pass for one that could not be started: it
// gives 128 + the signal's number instead of -1.
int RunProcess(const char* program, const char* argumentText, bool /*hidden*/) {
  std::vector<std::string> arguments = SplitArgumentText(argumentText);
  std::vector<char*> argv;
  argv.reserve(arguments.size() + 2);
  argv.push_back(const_cast<char*>(program));
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  // posix_spawn, not posix_spawnp: the path is taken as it is. glibc reports
  // a failed exec as the call's own result, so a path that is no program
  // fails here rather than as a child exit code.
  pid_t child = 0;
  if (posix_spawn(&child, program, nullptr, nullptr, argv.data(), environ) != 0) return -1;

  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace platform
