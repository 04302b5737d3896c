#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/process_native.h"
#include "platform/utf16.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

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
// Where the stop has no event, how long the wait naps at most before it
// looks at the stop.
constexpr DWORD kLongestNapMs = 50;

// The read end of a program's output: a pipe of its own, read with
// overlapped reads, so that the wait wakes as soon as output comes, along
// with the program's end and the stop (an anonymous pipe cannot be waited on).
class OutputPipe {
 public:
  OutputPipe() = default;
  ~OutputPipe() { Close(); }
  OutputPipe(const OutputPipe&) = delete;
  OutputPipe& operator=(const OutputPipe&) = delete;

  // Makes the pipe and its write end, which the program inherits, and
  // begins reading. False when it cannot be made.
  bool Open(Handle& writeEnd, std::string& tail) {
    static std::atomic<unsigned> made{0};
    const std::string name = "\\\\.\\pipe\\velkor-output-" +
                             std::to_string(GetCurrentProcessId()) + "-" +
                             std::to_string(made.fetch_add(1));
    read_ = CreateNamedPipeW(
        WideText(name).get(),
        PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0, kPipeRoom, 0, nullptr);
    if (read_ == INVALID_HANDLE_VALUE) {
      read_ = nullptr;
      return false;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    *writeEnd.out() = CreateFileW(WideText(name).get(), GENERIC_WRITE, 0, &inheritable,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    overlapped_.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (writeEnd.get() == INVALID_HANDLE_VALUE || overlapped_.hEvent == nullptr) return false;
    tail_ = &tail;
    Read();
    return true;
  }

  // Signalled when a read has completed; null once the pipe has ended.
  HANDLE Event() const { return read_ != nullptr ? overlapped_.hEvent : nullptr; }

  // Takes the read that completed, if it has, and begins the next.
  void Take() {
    if (read_ == nullptr) return;
    if (pending_) {
      DWORD got = 0;
      if (!GetOverlappedResult(read_, &overlapped_, &got, FALSE)) {
        if (GetLastError() == ERROR_IO_INCOMPLETE) return;
        pending_ = false;
        Close();  // every writer has gone
        return;
      }
      pending_ = false;
      KeepOutputTail(*tail_, std::string_view(buffer_, got));
    }
    Read();
  }

  // Takes what the pipe holds now, never waiting: a program that left a
  // child of its own holding the pipe is not waited for. The reads are
  // bounded, as a child that never stops writing would not let this end.
  void TakeRest() {
    for (int reads = 0; reads < 64 && Event() != nullptr; ++reads) {
      if (WaitForSingleObject(Event(), 0) != WAIT_OBJECT_0) break;
      Take();
    }
    Close();
  }

 private:
  // Begins the next read. Reads that complete at once are taken at once,
  // a bounded number of them, so that a program that never stops writing
  // cannot keep its time and the stop from being looked at: the event is
  // then left signalled, and the wait comes back here.
  void Read() {
    for (int reads = 0; reads < 64; ++reads) {
      DWORD got = 0;
      if (ReadFile(read_, buffer_, sizeof buffer_, &got, &overlapped_)) {
        KeepOutputTail(*tail_, std::string_view(buffer_, got));
        continue;
      }
      if (GetLastError() == ERROR_IO_PENDING) {
        pending_ = true;
      } else {
        Close();
      }
      return;
    }
    SetEvent(overlapped_.hEvent);
  }

  void Close() {
    if (read_ != nullptr && pending_) {
      // The buffer and the OVERLAPPED are the system's until the read ends.
      CancelIoEx(read_, &overlapped_);
      DWORD got = 0;
      GetOverlappedResult(read_, &overlapped_, &got, TRUE);
      pending_ = false;
    }
    if (read_ != nullptr) CloseHandle(read_);
    read_ = nullptr;
    if (overlapped_.hEvent != nullptr) CloseHandle(overlapped_.hEvent);
    overlapped_.hEvent = nullptr;
  }

  HANDLE read_ = nullptr;
  OVERLAPPED overlapped_{};
  bool pending_ = false;
  char buffer_[16384];
  std::string* tail_ = nullptr;
};

// The start-up attribute that names the only handles a program inherits.
// Other workers make inheritable handles of their own (their archivers'
// pipes) at any moment; inherited by this program, one would outlive the
// archiver it was made for, for as long as this one runs.
class InheritedHandles {
 public:
  InheritedHandles() = default;
  ~InheritedHandles() {
    if (list_ != nullptr) DeleteProcThreadAttributeList(list_);
  }
  InheritedHandles(const InheritedHandles&) = delete;
  InheritedHandles& operator=(const InheritedHandles&) = delete;

  // False when the system would not make the list.
  bool Set(HANDLE first, HANDLE second) {
    handles_[0] = first;
    handles_[1] = second;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    room_.resize(size);
    auto* list = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(room_.data());
    if (size == 0 || !InitializeProcThreadAttributeList(list, 1, 0, &size)) return false;
    list_ = list;
    // The handles must stay where they are until the program has started.
    return UpdateProcThreadAttribute(list_, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, handles_,
                                     sizeof handles_, nullptr, nullptr) != FALSE;
  }

  LPPROC_THREAD_ATTRIBUTE_LIST get() const { return list_; }

 private:
  std::vector<unsigned char> room_;
  LPPROC_THREAD_ATTRIBUTE_LIST list_ = nullptr;
  HANDLE handles_[2] = {};
};

bool IsSet(const StopSignal* stop) { return stop != nullptr && stop->IsSet(); }

// Whether a start refused with `error` may pass when asked again. A path
// that leads to no program, or to one this system cannot run, is refused the
// same way every time; anything else (a virus scanner or an installer
// holding the file, a system short of memory or handles, a new process that
// failed while it was being set up) may have passed a moment later.
bool MayStartLater(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_HANDLE:  // Wine's answer for a folder
    case ERROR_INVALID_PARAMETER:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_EXE_FORMAT:
    case ERROR_EXE_MACHINE_TYPE_MISMATCH:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return false;
    default:
      return true;
  }
}

// How long the wait may last before `deadline`, in whole milliseconds.
DWORD WaitUntil(Clock::time_point deadline) {
  if (deadline == Clock::time_point::max()) return INFINITE;
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
  return static_cast<DWORD>(std::clamp<int64_t>(left.count(), 0, INFINITE - 1));
}

}  // namespace

// A manual-reset event, signalled once the stop is set. Without one (the
// system refused it) the stop is still seen, only later: the wait naps.
StopSignal::StopSignal()
    : waitable_(reinterpret_cast<intptr_t>(CreateEventW(nullptr, TRUE, FALSE, nullptr))) {}

StopSignal::~StopSignal() {
  if (waitable_ != 0) CloseHandle(reinterpret_cast<HANDLE>(waitable_));
}

void StopSignal::Set() {
  set_.store(true, std::memory_order_release);
  if (waitable_ != 0) SetEvent(reinterpret_cast<HANDLE>(waitable_));
}

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

  STARTUPINFOEXW startup;
  std::memset(&startup, 0, sizeof startup);
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW;
  startup.StartupInfo.wShowWindow = static_cast<WORD>(options.hidden ? SW_HIDE : SW_SHOWNORMAL);

  // Captured output goes through a pipe whose write end, and an input from
  // the null device, are the program's standard handles and the only ones
  // it inherits; without capture it inherits nothing.
  OutputPipe output;
  Handle outputWrite, input;
  InheritedHandles inherited;
  if (options.captureOutput) {
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    *input.out() = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               &inheritable, OPEN_EXISTING, 0, nullptr);
    if (!output.Open(outputWrite, result.output) || input.get() == INVALID_HANDLE_VALUE ||
        !inherited.Set(outputWrite.get(), input.get())) {
      result.mayStartLater = true;  // none of these is the program's
      return result;
    }
    startup.StartupInfo.dwFlags |= STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.get();
    startup.StartupInfo.hStdOutput = outputWrite.get();
    startup.StartupInfo.hStdError = outputWrite.get();
    startup.lpAttributeList = inherited.get();
  }

  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  const DWORD flags =
      NORMAL_PRIORITY_CLASS | (options.captureOutput ? EXTENDED_STARTUPINFO_PRESENT : 0);
  if (!CreateProcessW(programName.get(), reinterpret_cast<wchar_t*>(commandLine.data()), nullptr,
                      nullptr, options.captureOutput ? TRUE : FALSE, flags, nullptr, nullptr,
                      &startup.StartupInfo, &process)) {
    result.mayStartLater = MayStartLater(GetLastError());
    return result;
  }
  CloseHandle(process.hThread);
  outputWrite.Close();
  input.Close();

  result.ending = ProcessResult::Ending::Exited;
  const Clock::time_point deadline =
      options.timeoutSeconds > 0 ? Clock::now() + std::chrono::seconds(options.timeoutSeconds)
                                 : Clock::time_point::max();
  const auto stopEvent =
      reinterpret_cast<HANDLE>(options.stop != nullptr ? options.stop->Waitable() : 0);
  // One wait for the program's end, the stop, its output and its time.
  for (;;) {
    HANDLE watched[3] = {process.hProcess};
    DWORD count = 1;
    if (stopEvent != nullptr) watched[count++] = stopEvent;
    if (output.Event() != nullptr) watched[count++] = output.Event();
    DWORD wait = WaitUntil(deadline);
    if (options.stop != nullptr && stopEvent == nullptr && wait > kLongestNapMs) {
      wait = kLongestNapMs;
    }
    const DWORD woke = WaitForMultipleObjects(count, watched, FALSE, wait);
    if (woke == WAIT_OBJECT_0) break;
    if (woke == WAIT_FAILED) {
      WaitForSingleObject(process.hProcess, INFINITE);
      break;
    }
    if (woke == WAIT_OBJECT_0 + count - 1 && watched[count - 1] == output.Event()) {
      output.Take();
      continue;
    }
    const bool stopped = IsSet(options.stop);
    if (stopped || Clock::now() >= deadline) {
      result.ending = stopped ? ProcessResult::Ending::Stopped : ProcessResult::Ending::TimedOut;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      break;
    }
  }
  output.TakeRest();
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
