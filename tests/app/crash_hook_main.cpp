// velkor-cli with the crash tests' hook: with VELKOR_CRASH_AFTER_WRITES=N the
// process ends abruptly right after its Nth change to the disk, as a kill
// would. The shipped program has no such hook.
#include <cstdlib>

#include "app/cli/run_cli.h"
#include "tests/support/faulty_files.h"

int main(int argc, char** argv) {
  const char* const value = std::getenv("VELKOR_CRASH_AFTER_WRITES");
  const long changes = value != nullptr ? std::strtol(value, nullptr, 10) : 0;
  // In place until the process ends; it ends it before change N + 1.
  static testsupport::FaultyFiles crashing;
  if (changes > 0) crashing.FailAt(changes + 1, testsupport::FaultyFiles::Mode::Killed);
  static const platform::ScopedFileSystem inPlace(crashing);
  return app::cli::CliMain(argc, argv);
}
