// What the command lines of velkor-cli and of the Linux window share:
// "--help" and "--version" win over everything else, "--" ends the
// options, a lone "-" is a path, and "--ini FILE" (or "--ini=FILE") names
// the settings file. Each program adds options of its own.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace app {

struct ProgramOptions {
  enum class Action { Run, Help, Version, UsageError };
  Action action = Action::Run;
  std::optional<std::string> ini;  // unset: the settings file where the program keeps it
  std::vector<std::string> paths;
  std::string error;  // one line, for Action::UsageError
};

// Takes an option of the program's own, the one at arguments[at]; it may
// take a value from the next argument by moving `at` on. False for an
// option it does not know; a value it refuses is told in `error`.
using OwnOption =
    std::function<bool(const std::vector<std::string>& arguments, size_t& at, std::string& error)>;

// Reads the arguments after the program name into `options`.
void ParseProgramArguments(const std::vector<std::string>& arguments, const OwnOption& own,
                           ProgramOptions& options);

}  // namespace app
