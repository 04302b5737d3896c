// velkor-cli: the batch front end for scripts and for machines without a
// desktop.
#include <cstdio>

#include "app/cli/run_cli.h"
#include "platform/crash_hook.h"
#include "platform/system.h"

int main(int argc, char** argv) {
  platform::ThisProcess().KeepFreedMemoryForReuse();
  platform::ArmCrashHookFromEnvironment();
  return app::cli::RunCli(platform::ProgramArguments(argc, argv),
                          {stdout, stderr, platform::ThisProcess().StderrIsTerminal()});
}
