// The arguments of velkor, the Linux window:
//   velkor [--ini FILE] [PATH...]
// (after Qt has taken its own options, such as -platform, out of them).
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qt {

struct WindowOptions {
  enum class Action { Run, Help, Version, UsageError };
  Action action = Action::Run;
  std::optional<std::string> ini;  // unset: the user's settings file
  std::vector<std::string> paths;  // the pages and folders to take at once
  std::string error;               // one line, for Action::UsageError
};

// Reads the arguments after the program name. "--" ends the options;
// "--help" and "--version" win over everything else.
WindowOptions ParseWindowArguments(const std::vector<std::string>& arguments);

// The text --help prints.
const char* WindowUsageText();

}  // namespace qt
