#include "app/program_options.h"

#include <utility>

namespace app {
namespace {

void UsageError(ProgramOptions& options, std::string message) {
  options.action = ProgramOptions::Action::UsageError;
  options.error = std::move(message);
}

}  // namespace

void ParseProgramArguments(const std::vector<std::string>& arguments, const OwnOption& own,
                           ProgramOptions& options) {
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") options.action = ProgramOptions::Action::Help;
    if (argument == "--version") options.action = ProgramOptions::Action::Version;
    if (options.action != ProgramOptions::Action::Run) return;
  }

  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    std::string error;
    // A lone "-" names no option; it is taken as a path like any other.
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      options.paths.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument.rfind("--ini=", 0) == 0) {
      options.ini = argument.substr(6);
    } else if (argument == "--ini" && i + 1 < arguments.size()) {
      options.ini = arguments[++i];
    } else if (argument == "--ini") {
      return UsageError(options, "--ini needs a FILE");
    } else if (!own(arguments, i, error)) {
      return UsageError(options, "unknown option '" + argument + "'");
    } else if (!error.empty()) {
      return UsageError(options, std::move(error));
    }
  }
  if (options.ini && options.ini->empty()) UsageError(options, "--ini needs a FILE");
}

}  // namespace app
