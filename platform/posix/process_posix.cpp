#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "platform/process_native.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// How often a running program is looked at while its time, the stop and
// its output are watched.
constexpr int kStepMs = 50;
// How long an ended program's group has to go after SIGTERM before SIGKILL.
constexpr auto kGrace = std::chrono::seconds(2);

// posix_spawn's set-up, released when it goes.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawnattr_init(&attributes_);
    posix_spawn_file_actions_init(&actions_);
  }
  ~SpawnSetup() {
    posix_spawnattr_destroy(&attributes_);
    posix_spawn_file_actions_destroy(&actions_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  // The child leads a process group of its own, so that it can be ended
  // with everything it started, and a terminal's Ctrl+C reaches only us. It
  // starts with no signal blocked and the usual ends for the signals we may
  // handle or ignore, and reads nothing: in the background a terminal read
  // would stop it for good. With `output`, its standard output and error go
  // there.
  bool Prepare(int output) {
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int number : {SIGINT, SIGTERM, SIGPIPE}) sigaddset(&defaults, number);
    const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
    if (posix_spawnattr_setflags(&attributes_, flags) != 0 ||
        posix_spawnattr_setpgroup(&attributes_, 0) != 0 ||
        posix_spawnattr_setsigmask(&attributes_, &none) != 0 ||
        posix_spawnattr_setsigdefault(&attributes_, &defaults) != 0 ||
        posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO, "/dev/null", O_RDONLY, 0) != 0) {
      return false;
    }
    return output < 0 ||
           (posix_spawn_file_actions_adddup2(&actions_, output, STDOUT_FILENO) == 0 &&
            posix_spawn_file_actions_adddup2(&actions_, output, STDERR_FILENO) == 0);
  }

  const posix_spawnattr_t* attributes() const { return &attributes_; }
  const posix_spawn_file_actions_t* actions() const { return &actions_; }

 private:
  posix_spawnattr_t attributes_;
  posix_spawn_file_actions_t actions_;
};

// What a running child is watched through: the read end of its output pipe
// (or none) and, where the kernel has them, a descriptor of the child itself
// that wakes the wait the moment it ends.
class ChildWatch {
 public:
  ChildWatch(pid_t child, int output, std::string& tail) : output_(output), tail_(tail) {
#ifdef SYS_pidfd_open
    child_ = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
#else
    static_cast<void>(child);
#endif
  }
  ~ChildWatch() {
    if (output_ >= 0) close(output_);
    if (child_ >= 0) close(child_);
  }
  ChildWatch(const ChildWatch&) = delete;
  ChildWatch& operator=(const ChildWatch&) = delete;

  // Waits up to `ms` for output or the child's end, and takes what output
  // has come.
  void Wait(int ms) {
    pollfd watched[2];
    nfds_t count = 0;
    if (output_ >= 0) watched[count++] = {output_, POLLIN, 0};
    if (child_ >= 0) watched[count++] = {child_, POLLIN, 0};
    if (count == 0) {
      // Nothing can wake the wait: naps growing from 1 ms find a child
      // that ends at once (its output closes just before) without delay,
      // and cost next to nothing while it runs long.
      poll(nullptr, 0, std::min(ms, nap_));
      nap_ = std::min(2 * nap_, ms);
      return;
    }
    if (poll(watched, count, ms) > 0) Take();
  }

  // Takes what the pipe holds now, never waiting: a program that left a
  // child of its own holding the pipe is not waited for.
  void Take() {
    char buffer[16384];
    // A bounded number of reads, so that a program that never stops
    // writing cannot keep its time and the stop from being looked at.
    for (int reads = 0; output_ >= 0 && reads < 64; ++reads) {
      const ssize_t got = read(output_, buffer, sizeof buffer);
      if (got > 0) {
        KeepOutputTail(tail_, std::string_view(buffer, static_cast<size_t>(got)));
        continue;
      }
      if (got < 0 && errno == EINTR) continue;
      if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
        close(output_);
        output_ = -1;
      }
      return;
    }
  }

 private:
  int output_;
  int child_ = -1;
  int nap_ = 1;
  std::string& tail_;
};

// True once the child has ended. WNOWAIT leaves it unreaped, so its number,
// which is also its group's, cannot pass to another process while the group
// is still being ended.
bool HasEnded(pid_t child) {
  siginfo_t info{};
  if (waitid(P_PID, child, &info, WEXITED | WNOHANG | WNOWAIT) != 0) return errno != EINTR;
  return info.si_pid == child;
}

// Asks the child's whole group to end, and kills what is left of it after
// the grace, the child's own children included.
void EndGroup(pid_t child, ChildWatch& watch) {
  kill(-child, SIGTERM);
  const Clock::time_point end = Clock::now() + kGrace;
  while (!HasEnded(child) && Clock::now() < end) watch.Wait(kStepMs);
  kill(-child, SIGKILL);
}

bool IsSet(const std::atomic<bool>* flag) {
  return flag != nullptr && flag->load(std::memory_order_acquire);
}

// Reaps the child. A program killed by a signal must not pass for one that
// could not be started: it gives 128 + the signal's number instead of -1.
int Reap(pid_t child) {
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

// There are no windows to hide, so `hidden` has no effect here.
ProcessResult StartAndWait(const char* program, const ArgumentFormat& arguments,
                           const ProcessOptions& options) {
  ProcessResult result;
  std::vector<std::string> filled = FillArguments(arguments);
  std::vector<char*> argv;
  argv.reserve(filled.size() + 2);
  argv.push_back(const_cast<char*>(program));
  for (std::string& argument : filled) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int ends[2] = {-1, -1};
  if (options.captureOutput && pipe2(ends, O_CLOEXEC) != 0) return result;
  SpawnSetup setup;
  // posix_spawn, not posix_spawnp: the path is taken as it is. glibc reports
  // a failed exec as the call's own result, so a path that is no program
  // fails here rather than as a child exit code.
  pid_t child = 0;
  const bool started =
      setup.Prepare(ends[1]) &&
      posix_spawn(&child, program, setup.actions(), setup.attributes(), argv.data(), environ) == 0;
  if (ends[1] >= 0) close(ends[1]);
  if (!started) {
    if (ends[0] >= 0) close(ends[0]);
    return result;
  }
  if (ends[0] >= 0) fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);

  result.ending = ProcessResult::Ending::Exited;
  if (options.captureOutput || options.timeoutSeconds > 0 || options.stop != nullptr) {
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
    ChildWatch watch(child, ends[0], result.output);
    for (;;) {
      watch.Wait(kStepMs);
      if (HasEnded(child)) break;
      if (IsSet(options.stop)) {
        result.ending = ProcessResult::Ending::Stopped;
        EndGroup(child, watch);
        break;
      }
      if (options.timeoutSeconds > 0 && Clock::now() >= deadline) {
        result.ending = ProcessResult::Ending::TimedOut;
        EndGroup(child, watch);
        break;
      }
    }
    watch.Take();
  }
  result.exitCode = Reap(child);
  return result;
}

}  // namespace platform
