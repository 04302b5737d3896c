// velkor-cli: the batch front end for scripts and for machines without a
// desktop.
#include <cstdio>
#include <string>
#include <vector>

#include "app/cli/run_cli.h"
#include "platform/crash_hook.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  platform::ThisProcess().KeepFreedMemoryForReuse();
  platform::ArmCrashHookFromEnvironment();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
  return app::cli::RunCli(arguments, {stdout, stderr, platform::ThisProcess().StderrIsTerminal()});
}
