// velkor-cli as a function, so that tests run it in-process.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace app::cli {

struct CliStreams {
  std::FILE* out;         // the log lines
  std::FILE* err;         // messages
  bool showProgress;      // a progress line on `err` while the batch runs
};

// Runs the batch named by `arguments` (those after the program name) and
// returns the exit status: 0 when at least one page was processed and every
// result had status 0, 1 otherwise, 2 for a usage error.
int RunCli(const std::vector<std::string>& arguments, const CliStreams& streams);

// The whole program, as its main runs it: the process's own set-up, then
// RunCli on the arguments, the standard streams and the terminal.
int CliMain(int argc, char** argv);

}  // namespace app::cli
