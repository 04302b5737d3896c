#include "app/cli/cli_options.h"

#include <charconv>
#include <optional>
#include <utility>

namespace app::cli {
namespace {

// A whole number from 1 up; 0 for anything else.
int PositiveNumber(const std::string& text) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  return error == std::errc() && end == text.data() + text.size() && number > 0 ? number : 0;
}

// The value of an option written "--name VALUE" or "--name=VALUE" when the
// argument at `i` is that option (moving `i` past a separate value); empty
// when it is another option.
std::optional<std::string> OptionValue(const std::vector<std::string>& words, size_t& i,
                                       const std::string& name) {
  const std::string& argument = words[i];
  if (argument.rfind(name + "=", 0) == 0) return argument.substr(name.size() + 1);
  if (argument != name) return std::nullopt;
  return i + 1 < words.size() ? words[++i] : std::string();
}

}  // namespace

CliOptions ParseCliArguments(const std::vector<std::string>& arguments) {
  CliOptions options;
  const auto own = [&options](const std::vector<std::string>& words, size_t& i,
                              std::string& error) {
    const std::string& argument = words[i];
    if (argument == "--fix" || argument == "--no-fix") {
      options.fix = argument == "--fix";
    } else if (argument == "--archive" || argument == "--no-archive") {
      options.archive = argument == "--archive";
    } else if (argument == "--sync" || argument == "--no-sync") {
      options.sync = argument == "--sync";
    } else if (const auto timeout = OptionValue(words, i, "--archiver-timeout")) {
      options.archiverTimeout = PositiveNumber(*timeout);
      if (options.archiverTimeout == 0) {
        error = "--archiver-timeout needs a whole number of SECONDS, 1 or more";
      }
    } else if (const auto jobs = OptionValue(words, i, "--jobs")) {
      options.jobs = PositiveNumber(*jobs);
      if (*options.jobs == 0) error = "--jobs needs a whole number, 1 or more";
    } else if (argument == "--verbose" || argument == "-v") {
      options.verbose = true;
    } else {
      return false;
    }
    return true;
  };
  ParseProgramArguments(arguments, own, options);
  if (options.action == CliOptions::Action::Run && options.paths.empty()) {
    options.action = CliOptions::Action::UsageError;
    options.error = "no PATH given";
  }
  return options;
}

const char* UsageText() {
  return "Usage: velkor-cli [--fix | --no-fix] [--archive | --no-archive] [--sync | --no-sync]\n"
         "                  [--ini FILE] [--archiver-timeout SECONDS] [--verbose] [--jobs N]\n"
         "                  PATH...\n"
         "Tidies pages saved from the catalogue site, as the Velkor window does.\n"
         "Each PATH is a page file, or a folder whose pages (\"*.*htm*\", without\n"
         "subfolders) are taken.\n"
         "\n"
         "  --fix, --no-fix          repair the links of pages saved by Firefox\n"
         "                           (default: \"bMSIE\" of the settings file)\n"
         "  --archive, --no-archive  pack each page and its \"_files\" folder with the\n"
         "                           archiver of the settings file (default: \"bArc\")\n"
         "  --sync, --no-sync        put each page's journal and new bytes on the disk\n"
         "                           itself before going on, so that even a power cut\n"
         "                           leaves the old page or the new one; --no-sync is\n"
         "                           faster and still safe against a killed run\n"
         "                           (default: \"Sync\" of the settings file, 1)\n"
         "  --ini FILE               the settings file (default: on Linux\n"
         "                           ~/.config/velkor/velkor.ini, on Windows\n"
         "                           velkor.ini beside the program); never written\n"
         "  --archiver-timeout SECONDS\n"
         "                           end an archiver still running after SECONDS\n"
         "                           (default: wait as long as it runs)\n"
         "  --verbose, -v            show the archiver's last lines after every page\n"
         "                           (they always follow a page that failed)\n"
         "  --jobs N                 process N pages at once (default: one for each\n"
         "                           processor core); the lines still come in the\n"
         "                           order of the pages\n"
         "  --help, --version        print this text, or the version, and exit\n"
         "\n"
         "One line per page is printed as the window logs it, and one for every\n"
         "page or folder that cannot be taken (a path too long, a folder named like\n"
         "a page). Exit status: 0 when at least one page was processed\n"
         "and every result was Ok, 1 otherwise (also when a PATH does not exist or\n"
         "an entry was not taken), 2 for a usage error or a missing --ini FILE,\n"
         "130 after Ctrl+C (SIGINT), 143 after SIGTERM (Ctrl+Break on Windows):\n"
         "the archivers running are ended, the pages in hand are finished whole, and\n"
         "no further page is begun.\n";
}

}  // namespace app::cli
