// The arguments of velkor, the Linux window:
//   velkor [--ini FILE] [PATH...]
// (after Qt has taken its own options, such as -platform, out of them).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/program_options.h"

namespace qt {

// The paths are the pages and folders to take at once; without --ini, the
// user's settings file counts.
struct WindowOptions : app::ProgramOptions {};

// Reads the arguments after the program name. "--" ends the options;
// "--help" and "--version" win over everything else.
WindowOptions ParseWindowArguments(const std::vector<std::string>& arguments);

// The text --help prints.
const char* WindowUsageText();

}  // namespace qt
