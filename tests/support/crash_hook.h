// The crash tests' hook, built into their copy of velkor-cli alone: with the
// environment variable VELKOR_CRASH_AFTER_WRITES set to a number N, the
// process ends abruptly right after its Nth change to the disk (a write, a
// truncation, a flush, a file created, removed or renamed, its permissions
// set), as a kill at that moment would end it. Without the variable nothing
// changes.
#pragma once

namespace testsupport {

inline constexpr const char* kCrashAfterWritesVariable = "VELKOR_CRASH_AFTER_WRITES";

// Reads the variable and, when it holds a number, puts the counting file
// system in place for the rest of the process. Called once, at start-up,
// before any other thread runs.
void ArmCrashHookFromEnvironment();

}  // namespace testsupport
