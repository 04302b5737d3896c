// Starting the external archiver.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/command_line.h"
#include "platform/service.h"

namespace platform {

// A program's arguments as a Windows-style argument text in which "%s"
// stands for the next of `values` and "%%" for a percent sign. A "%s" with
// no value left, and a "%" before any other character, give nothing.
struct ArgumentFormat {
  std::string_view format;
  std::span<const std::string> values;
};

// The format filled in: the command line as Windows hands it to a program.
std::string FillArgumentText(const ArgumentFormat& arguments);

// The format split into arguments by the Windows rules first, then filled:
// each value lies whole inside the argument its "%s" stands in, whatever
// quotes, blanks or backslashes it holds. For values without a double
// quote and not ending in a backslash, standing in quotes, the arguments
// are those of SplitArgumentText(FillArgumentText(...)).
std::vector<std::string> FillArguments(const ArgumentFormat& arguments);

// A stop that any thread may give, once, to every program being waited for:
// each wait wakes on it at once, never after a polling step.
class StopSignal {
 public:
  StopSignal();
  ~StopSignal();
  StopSignal(const StopSignal&) = delete;
  StopSignal& operator=(const StopSignal&) = delete;

  void Set();
  bool IsSet() const { return set_.load(std::memory_order_acquire); }
  // What the system's wait watches along with the program: on POSIX a
  // descriptor that becomes readable once the stop is set, on Windows an
  // event that is then signalled.
  intptr_t Waitable() const { return waitable_; }

 private:
  std::atomic<bool> set_{false};
  intptr_t waitable_;
};

struct ProcessOptions {
  bool hidden = true;  // hides its window where windows exist
  // Ended once it has run this long; 0: waited for as long as it runs.
  int timeoutSeconds = 0;
  // Once this is set, the program is ended, or not started.
  const StopSignal* stop = nullptr;
  // Its standard output and error go to ProcessResult::output, not to ours.
  bool captureOutput = false;
};

// How much of a program's output is kept: its last bytes.
inline constexpr size_t kOutputTailCapacity = 64 * 1024;

struct ProcessResult {
  enum class Ending { Exited, NotStarted, TimedOut, Stopped };
  Ending ending = Ending::NotStarted;
  // For Exited: the exit code. Where processes end by signals, one that did
  // gives 128 + the signal's number, as a shell reports it.
  int exitCode = -1;
  // With captureOutput: the last kOutputTailCapacity bytes it wrote to its
  // standard output and error, in the order written.
  std::string output;
  // For NotStarted: the system refused for a moment (short of processes,
  // memory or handles, or the program file held by another, being written or
  // scanned), so that asking again may start it. False when the program or
  // its arguments are refused, which happens the same way every time.
  bool mayStartLater = false;
};

// Starts `program` (its path taken verbatim, no search along PATH) with the
// arguments `arguments` (on Windows the command line is a blank, for an
// empty program name, and the filled text; elsewhere FillArguments) and waits
// for it to end. A program that runs out its time or is stopped is ended:
// on POSIX its whole process group (it leads one of its own) is asked with
// SIGTERM and, after a grace of two seconds, killed; on Windows the program
// is terminated, and one that ends while the stop is set counts as stopped
// (a console's Ctrl+C reaches it too). On POSIX it reads no input
// (/dev/null). It inherits no handle of ours but the standard ones it is
// given, so that programs started at once by several workers never hold
// one another's output. A start the system refuses only for a moment
// (mayStartLater) is asked for again, as StartAskingAgain does.
class ProcessLauncher {
 public:
  virtual ~ProcessLauncher() = default;
  virtual ProcessResult Run(const char* program, const ArgumentFormat& arguments,
                            const ProcessOptions& options) = 0;
};

ProcessLauncher& NativeProcesses();
// The implementation in use: the native one unless a test has put another
// in its place with a ScopedProcessLauncher.
inline ProcessLauncher& Processes() { return ServiceSlot<ProcessLauncher>::Get(NativeProcesses()); }
using ScopedProcessLauncher = ScopedService<ProcessLauncher>;

// Calls `start` until it gives anything but a start refused for a moment,
// three times at most, pausing 0.1 s before the second and 0.2 s before the
// third: a program is not given up for what passes in a fraction of a
// second, and one the system refuses for good is asked for once.
ProcessResult StartAskingAgain(const std::function<ProcessResult()>& start);

// Appends `bytes` to `tail`, keeping only its last kOutputTailCapacity bytes.
void KeepOutputTail(std::string& tail, std::string_view bytes);

}  // namespace platform
