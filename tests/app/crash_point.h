// The crash tests' way into the hook of their copy of velkor-cli.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace crashtest {

inline constexpr const char* kCrashAfterWritesVariable = "VELKOR_CRASH_AFTER_WRITES";

// What a kill gives, from a signal (128 + SIGKILL) or from TerminateProcess.
inline constexpr int kKilled = 137;

// Arms the hook of the next velkor-cli started (0: none). The environment
// keeps a pointer to the setting itself, so it lives in one fixed place.
inline void SetCrashPoint(long changes) {
  static char setting[64];
  const std::string text = std::string(kCrashAfterWritesVariable) + "=" +
                           (changes > 0 ? std::to_string(changes) : "");
  std::snprintf(setting, sizeof setting, "%s", text.c_str());
  putenv(setting);
}

}  // namespace crashtest
