#include "app/qt/window_options.h"

#include <utility>

namespace qt {
namespace {

WindowOptions UsageError(std::string message) {
  WindowOptions options;
  options.action = WindowOptions::Action::UsageError;
  options.error = std::move(message);
  return options;
}

}  // namespace

WindowOptions ParseWindowArguments(const std::vector<std::string>& arguments) {
  WindowOptions options;
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") options.action = WindowOptions::Action::Help;
    if (argument == "--version") options.action = WindowOptions::Action::Version;
    if (options.action != WindowOptions::Action::Run) return options;
  }

  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // A lone "-" names no option; it is taken as a path like any other.
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      options.paths.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument.rfind("--ini=", 0) == 0) {
      options.ini = argument.substr(6);
    } else if (argument == "--ini" && i + 1 < arguments.size()) {
      options.ini = arguments[++i];
    } else {
      return UsageError(argument == "--ini" ? "--ini needs a FILE"
                                            : "unknown option '" + argument + "'");
    }
  }
  if (options.ini && options.ini->empty()) return UsageError("--ini needs a FILE");
  return options;
}

const char* WindowUsageText() {
  return "Usage: velkor [--ini FILE] [PATH...]\n"
         "The Velkor window: tidies pages saved from the catalogue site. Drop pages\n"
         "or folders of them onto it, or name them here; after a run over named\n"
         "PATHs in which every page succeeded the window closes itself.\n"
         "\n"
         "  --ini FILE          the settings file (default:\n"
         "                      ~/.config/velkor/velkor.ini); the window stores its\n"
         "                      place and boxes there when it closes\n"
         "  --help, --version   print this text, or the version, and exit\n"
         "\n"
         "Qt's own options (-platform NAME, -style NAME...) are taken as well.\n";
}

}  // namespace qt
