// velkor-cli with the crash tests' hook: the shipped program's own code, built
// for the crash tests alone.
#include "app/cli/run_cli.h"
#include "tests/support/crash_hook.h"

int main(int argc, char** argv) {
  testsupport::ArmCrashHookFromEnvironment();
  return app::cli::CliMain(argc, argv);
}
