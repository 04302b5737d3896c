// The arguments of velkor-cli:
//   velkor-cli [--fix | --no-fix] [--archive | --no-archive] [--sync | --no-sync]
//              [--ini FILE] [--archiver-timeout SECONDS] [--verbose] [--jobs N] PATH...
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/program_options.h"

namespace app::cli {

// The most pages processed at once: each worker is a thread and may run an
// archiver of its own, and beyond this many a batch of pages on one disk
// only waits longer on it.
inline constexpr int kMaxJobs = 64;

struct CliOptions : ProgramOptions {
  std::optional<bool> fix;      // unset: the settings' "bMSIE"
  std::optional<bool> archive;  // unset: the settings' "bArc"
  std::optional<bool> sync;     // unset: the settings' "Sync"
  int archiverTimeout = 0;  // seconds; 0: the archiver may run as long as it takes
  bool verbose = false;     // the archiver's last lines after every page, not only failed ones
  std::optional<int> jobs;  // pages at once, 1 to kMaxJobs; unset: one per core, at most that
};

// Reads the arguments after the program name. Of two opposite flags the
// later one counts; "--" ends the options; "--help" and "--version" win
// over everything else.
CliOptions ParseCliArguments(const std::vector<std::string>& arguments);

// The text --help prints.
const char* UsageText();

}  // namespace app::cli
