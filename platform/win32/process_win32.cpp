#include <windows.h>

#include <chrono>
#include <cstring>
#include <vector>

#include "platform/process_native.h"
#include "platform/utf16.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

// How often a running program is looked at while its time, the stop and
// its output are watched.
constexpr DWORD kStepMs = 50;

class Handle {
 public:
  Handle() = default;
  ~Handle() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;

  HANDLE* out() { return &handle_; }
  HANDLE get() const { return handle_; }
  void Close() {
    if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    handle_ = nullptr;
  }

 private:
  HANDLE handle_ = nullptr;
};

// The room of the output pipe: as much as a POSIX pipe holds.
constexpr DWORD kPipeRoom = 64 * 1024;

// Takes what the pipe holds now, never waiting: a program that left a child
// of its own holding the pipe is not waited for. True when it took any.
bool TakeOutput(HANDLE pipe, std::string& tail) {
  char buffer[16384];
  bool took = false;
  // A bounded number of reads, so that a program that never stops writing
  // cannot keep its time and the stop from being looked at.
  for (int reads = 0; pipe != nullptr && reads < 64; ++reads) {
    DWORD available = 0;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) || available == 0) break;
    DWORD got = 0;
    const DWORD wanted = available < sizeof buffer ? available : DWORD{sizeof buffer};
    if (!ReadFile(pipe, buffer, wanted, &got, nullptr) || got == 0) break;
    KeepOutputTail(tail, std::string_view(buffer, got));
    took = true;
  }
  return took;
}

bool IsSet(const std::atomic<bool>* flag) {
  return flag != nullptr && flag->load(std::memory_order_acquire);
}

}  // namespace

ProcessResult StartAndWait(const char* program, const ArgumentFormat& arguments,
                           const ProcessOptions& options) {
  ProcessResult result;
  // The command line names the program first; with the program given on
  // its own, that name is left empty, and a blank ends it. CreateProcessW
  // may write into the command line, so it gets a copy of its own.
  std::u16string commandLine;
  const WideText programName(program);
  if (!programName.ok() || !Utf8ToUtf16(" " + FillArgumentText(arguments), commandLine)) {
    return result;
  }

  STARTUPINFOW startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(options.hidden ? SW_HIDE : SW_SHOWNORMAL);

  // Captured output goes through a pipe whose write end, and an input from
  // the null device, are the only handles made inheritable; without capture
  // nothing is inherited.
  Handle outputRead, outputWrite, input;
  if (options.captureOutput) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    if (!CreatePipe(outputRead.out(), outputWrite.out(), &inheritable, kPipeRoom)) return result;
    SetHandleInformation(outputRead.get(), HANDLE_FLAG_INHERIT, 0);
    *input.out() = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, OPEN_EXISTING, 0, nullptr);
    startup.dwFlags |= STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = outputWrite.get();
    startup.hStdError = outputWrite.get();
  }

  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  if (!CreateProcessW(programName.get(), reinterpret_cast<wchar_t*>(commandLine.data()), nullptr,
                      nullptr,
                      options.captureOutput ? TRUE : FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &process)) {
    return result;
  }
  CloseHandle(process.hThread);
  outputWrite.Close();
  input.Close();

  result.ending = ProcessResult::Ending::Exited;
  const bool watched =
      options.captureOutput || options.timeoutSeconds > 0 || options.stop != nullptr;
  const Clock::time_point deadline = Clock::now() + std::chrono::seconds(options.timeoutSeconds);
  // Anonymous pipes cannot be waited on with the process, so a program that
  // is writing is looked at again at once, one that is quiet after a step.
  DWORD wait = watched ? kStepMs : INFINITE;
  while (WaitForSingleObject(process.hProcess, wait) == WAIT_TIMEOUT) {
    wait = TakeOutput(outputRead.get(), result.output) ? 0 : kStepMs;
    const bool stopped = IsSet(options.stop);
    if (stopped || (options.timeoutSeconds > 0 && Clock::now() >= deadline)) {
      result.ending = stopped ? ProcessResult::Ending::Stopped : ProcessResult::Ending::TimedOut;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      break;
    }
  }
  TakeOutput(outputRead.get(), result.output);
  DWORD exitCode = 0;
  // An exit code that cannot be read must not pass for success.
  const bool known = GetExitCodeProcess(process.hProcess, &exitCode) != FALSE;
  CloseHandle(process.hProcess);
  result.exitCode = known ? static_cast<int>(exitCode) : -1;
  // A console's Ctrl+C reaches the archiver too, which may end on it first.
  if (result.ending == ProcessResult::Ending::Exited && IsSet(options.stop)) {
    result.ending = ProcessResult::Ending::Stopped;
  }
  return result;
}

}  // namespace platform
