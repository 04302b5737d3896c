#include "app/cli/cli_options.h"

#include <utility>

namespace app::cli {
namespace {

CliOptions UsageError(std::string message) {
  CliOptions options;
  options.action = CliOptions::Action::UsageError;
  options.error = std::move(message);
  return options;
}

}  // namespace

CliOptions ParseCliArguments(const std::vector<std::string>& arguments) {
  CliOptions options;
  for (const std::string& argument : arguments) {
    if (argument == "--") break;
    if (argument == "--help" || argument == "-h") options.action = CliOptions::Action::Help;
    if (argument == "--version") options.action = CliOptions::Action::Version;
    if (options.action != CliOptions::Action::Run) return options;
  }

  bool optionsEnded = false;
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    // A lone "-" names no option; it is taken as a path like any other.
    if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
      options.paths.push_back(argument);
    } else if (argument == "--") {
      optionsEnded = true;
    } else if (argument == "--fix" || argument == "--no-fix") {
      options.fix = argument == "--fix";
    } else if (argument == "--archive" || argument == "--no-archive") {
      options.archive = argument == "--archive";
    } else if (argument.rfind("--ini=", 0) == 0) {
      options.ini = argument.substr(6);
    } else if (argument == "--ini" && i + 1 < arguments.size()) {
      options.ini = arguments[++i];
    } else if (argument == "--ini") {
      return UsageError("--ini needs a FILE");
    } else {
      return UsageError("unknown option '" + argument + "'");
    }
  }
  if (options.ini && options.ini->empty()) return UsageError("--ini needs a FILE");
  if (options.paths.empty()) return UsageError("no PATH given");
  return options;
}

const char* UsageText() {
  return "Usage: velkor-cli [--fix | --no-fix] [--archive | --no-archive] [--ini FILE] PATH...\n"
         "Tidies pages saved from the catalogue site, as the Velkor window does.\n"
         "Each PATH is a page file, or a folder whose pages (\"*.*htm*\", without\n"
         "subfolders) are taken.\n"
         "\n"
         "  --fix, --no-fix          repair the links of pages saved by Firefox\n"
         "                           (default: \"bMSIE\" of the settings file)\n"
         "  --archive, --no-archive  pack each page and its \"_files\" folder with the\n"
         "                           archiver of the settings file (default: \"bArc\")\n"
         "  --ini FILE               the settings file (default: on Linux\n"
         "                           ~/.config/velkor/velkor.ini, on Windows\n"
         "                           velkor.ini beside the program); never written\n"
         "  --help, --version        print this text, or the version, and exit\n"
         "\n"
         "One line per page is printed as the window logs it. Exit status: 0 when at\n"
         "least one page was processed and every result was Ok, 1 otherwise (also\n"
         "when a PATH does not exist), 2 for a usage error or a missing --ini FILE.\n";
}

}  // namespace app::cli
