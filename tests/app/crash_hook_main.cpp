// velkor-cli with the crash tests' hook, built for them alone: with
// VELKOR_CRASH_AFTER_WRITES set to a number N, the process ends abruptly
// right after its Nth change to the disk (a write, a truncation, a flush, a
// file created, removed or renamed, its permissions set), as a kill at that
// moment would end it. The shipped program has no such hook.
#include <cstdlib>

#include "app/cli/run_cli.h"
#include "tests/app/crash_point.h"
#include "tests/support/faulty_files.h"

int main(int argc, char** argv) {
  const char* const value = std::getenv(crashtest::kCrashAfterWritesVariable);
  const long changes = value != nullptr ? std::strtol(value, nullptr, 10) : 0;
  // In place until the process ends; it ends it before change N + 1.
  static testsupport::FaultyFiles crashing;
  if (changes > 0) crashing.FailAt(changes + 1, testsupport::FaultyFiles::Mode::Killed);
  static const platform::ScopedFileSystem inPlace(crashing);
  return app::cli::CliMain(argc, argv);
}
