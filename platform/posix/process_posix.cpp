#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <string>
#include <vector>

#include "platform/process_native.h"

extern char** environ;

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// Where the kernel cannot tell of a child's end (no pidfd), how long the
// wait naps at most before it looks.
constexpr int kLongestNapMs = 50;
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
// (or none), the stop's descriptor and, where the kernel has them, a
// descriptor of the child itself that wakes the wait the moment it ends.
class ChildWatch {
 public:
  ChildWatch(pid_t child, int output, const StopSignal* stop, std::string& tail)
      : output_(output), stop_(stop), tail_(tail) {
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

  // Waits until output comes, the child ends, the stop is set (with
  // `watchStop`) or `deadline` passes, and takes what output has come.
  void Wait(Clock::time_point deadline, bool watchStop) {
    pollfd watched[3];
    nfds_t count = 0;
    if (output_ >= 0) watched[count++] = {output_, POLLIN, 0};
    if (child_ >= 0) watched[count++] = {child_, POLLIN, 0};
    const int stop = watchStop && stop_ != nullptr ? static_cast<int>(stop_->Waitable()) : -1;
    if (stop >= 0) watched[count++] = {stop, POLLIN, 0};
    int ms = -1;
    if (deadline != Clock::time_point::max()) {
      const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
      ms = static_cast<int>(std::clamp<int64_t>(left.count(), 0, INT_MAX));
    }
    if (child_ < 0 || (watchStop && stop_ != nullptr && stop < 0)) {
      // Nothing tells of the child's end, or of the stop: naps growing
      // from 1 ms find a child that ends at once without delay, and cost
      // next to nothing while it runs long.
      ms = ms < 0 ? nap_ : std::min(ms, nap_);
      nap_ = std::min(2 * nap_, kLongestNapMs);
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
  const StopSignal* stop_;
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
  while (!HasEnded(child) && Clock::now() < end) watch.Wait(end, false);
  kill(-child, SIGKILL);
}

bool IsSet(const StopSignal* stop) { return stop != nullptr && stop->IsSet(); }

// Whether a start refused with `error` may pass when asked again: the system
// was short of processes, memory or descriptors, or the program file was
// open for writing; any other refusal is the path's own.
bool MayStartLater(int error) {
  return error == EAGAIN || error == ENOMEM || error == EMFILE || error == ENFILE ||
         error == ETXTBSY;
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

// An eventfd, readable once the stop is set. Without one (the system
// refused it) the stop is still seen, only later: each wait then naps.
StopSignal::StopSignal() : waitable_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

StopSignal::~StopSignal() {
  if (waitable_ >= 0) close(static_cast<int>(waitable_));
}

void StopSignal::Set() {
  set_.store(true, std::memory_order_release);
  const uint64_t one = 1;
  if (waitable_ >= 0) {
    [[maybe_unused]] const ssize_t written = write(static_cast<int>(waitable_), &one, sizeof one);
  }
}

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
  if (options.captureOutput && pipe2(ends, O_CLOEXEC) != 0) {
    result.mayStartLater = MayStartLater(errno);
    return result;
  }
  SpawnSetup setup;
  // posix_spawn, not posix_spawnp: the path is taken as it is. glibc reports
  // a failed exec as the call's own result, so a path that is no program
  // fails here rather than as a child exit code.
  pid_t child = 0;
  const int refused =
      setup.Prepare(ends[1])
          ? posix_spawn(&child, program, setup.actions(), setup.attributes(), argv.data(), environ)
          : ENOMEM;
  if (ends[1] >= 0) close(ends[1]);
  if (refused != 0) {
    if (ends[0] >= 0) close(ends[0]);
    result.mayStartLater = MayStartLater(refused);
    return result;
  }
  if (ends[0] >= 0) fcntl(ends[0], F_SETFL, fcntl(ends[0], F_GETFL) | O_NONBLOCK);

  result.ending = ProcessResult::Ending::Exited;
  if (options.captureOutput || options.timeoutSeconds > 0 || options.stop != nullptr) {
    const Clock::time_point deadline =
        options.timeoutSeconds > 0 ? Clock::now() + std::chrono::seconds(options.timeoutSeconds)
                                   : Clock::time_point::max();
    ChildWatch watch(child, ends[0], options.stop, result.output);
    for (;;) {
      if (HasEnded(child)) break;
      if (IsSet(options.stop)) {
        result.ending = ProcessResult::Ending::Stopped;
        EndGroup(child, watch);
        break;
      }
      if (Clock::now() >= deadline) {
        result.ending = ProcessResult::Ending::TimedOut;
        EndGroup(child, watch);
        break;
      }
      watch.Wait(deadline, true);
    }
    watch.Take();
  }
  result.exitCode = Reap(child);
  return result;
}

}  // namespace platform
