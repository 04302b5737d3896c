#include "tests/support/process_check.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <semaphore.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#endif

namespace testsupport {

#ifdef _WIN32

bool HasEnded(long pid) {
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return true;
  const bool ended = WaitForSingleObject(process, 10000) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
}

StandinHanging::StandinHanging()
    : name_("Local\\velkor-standin-hanging-" + std::to_string(GetCurrentProcessId())),
      signal_(CreateEventA(nullptr, FALSE, FALSE, name_.c_str())) {
  SetEnvironmentVariableA(kStandinHangingVariable, name_.c_str());
}

StandinHanging::~StandinHanging() {
  SetEnvironmentVariableA(kStandinHangingVariable, nullptr);
  CloseHandle(signal_);
}

bool StandinHanging::Wait() { return WaitForSingleObject(signal_, 30000) == WAIT_OBJECT_0; }

#else

bool HasEnded(long pid) {
  // A process descriptor turns readable when its process has ended, reaped
  // or not; there is none of a process that is gone.
  const int process = static_cast<int>(syscall(SYS_pidfd_open, static_cast<pid_t>(pid), 0));
  if (process < 0) return errno == ESRCH;
  pollfd ended{process, POLLIN, 0};
  const bool gone = poll(&ended, 1, 10000) == 1;
  close(process);
  return gone;
}

StandinHanging::StandinHanging()
    : name_("/velkor-standin-hanging-" + std::to_string(getpid())),
      signal_(sem_open(name_.c_str(), O_CREAT, 0600, 0)) {
  setenv(kStandinHangingVariable, name_.c_str(), 1);
}

StandinHanging::~StandinHanging() {
  unsetenv(kStandinHangingVariable);
  sem_close(static_cast<sem_t*>(signal_));
  sem_unlink(name_.c_str());
}

bool StandinHanging::Wait() {
  timespec deadline{};
  clock_gettime(CLOCK_REALTIME, &deadline);
  deadline.tv_sec += 30;
  int waited;
  while ((waited = sem_timedwait(static_cast<sem_t*>(signal_), &deadline)) != 0 && errno == EINTR) {
  }
  return waited == 0;
}

#endif

}  // namespace testsupport
