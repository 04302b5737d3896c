// Whether a process the program under test started has ended, and when the
// archiver stand-in has begun to hang.
#pragma once

#include <string>

namespace testsupport {

// True once the process `pid` no longer runs (gone, or on POSIX a zombie
// nobody reaped), waiting up to ten seconds for a process being killed.
bool HasEnded(long pid);

// While it lives, a stand-in in its "hang" mode signals it (a named semaphore
// on POSIX, a named event on Windows, named in the environment) once it has
// reported in full and written its output.
class StandinHanging {
 public:
  StandinHanging();
  ~StandinHanging();
  StandinHanging(const StandinHanging&) = delete;
  StandinHanging& operator=(const StandinHanging&) = delete;

  // True once a stand-in has signalled, false when none has in 30 seconds.
  bool Wait();

 private:
  std::string name_;
  void* signal_;
};

// The environment variable that names the signal to the stand-in.
inline constexpr const char* kStandinHangingVariable = "VELKOR_STANDIN_HANGING";

}  // namespace testsupport
