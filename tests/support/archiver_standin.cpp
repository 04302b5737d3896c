// `archiver_standin CODE [REPORT [ARG...]]`, the user's archiver in tests: writes "pid=" and one
// "arg=" line per argument (on Windows also "cmdline=" and "show="; UTF-8) to REPORT, then
//   CODE         ends with that exit code;
//   LINES:CODE   first writes LINES lines "line 1"..., the odd ones to its standard output, the
//                even ones to its standard error, then ends with CODE;
//   hang         writes "hanging" to its standard output and waits forever; on POSIX it first
//                starts a child that waits too, and reports it as "child=". Once it has written
//                all, it signals the semaphore (event, on Windows) named by the environment's
//                VELKOR_STANDIN_HANGING, when that is set.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include "platform/utf16.h"
#else
#include <fcntl.h>
#include <semaphore.h>
#include <unistd.h>
#endif

namespace {

// Waits for what never comes: its own end.
void WaitForever() {
  for (;;) {
#ifdef _WIN32
    WaitForSingleObject(GetCurrentProcess(), INFINITE);
#else
    pause();
#endif
  }
}

void SignalHanging() {
  const char* name = std::getenv("VELKOR_STANDIN_HANGING");
  if (name == nullptr) return;
#ifdef _WIN32
  if (const HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, name)) {
    SetEvent(event);
    CloseHandle(event);
  }
#else
  if (sem_t* const semaphore = sem_open(name, 0); semaphore != SEM_FAILED) {
    sem_post(semaphore);
    sem_close(semaphore);
  }
#endif
}

#ifdef _WIN32
// UTF-8 of a UTF-16 text, as the report holds it.
std::string Utf8(const wchar_t* wide) {
  return platform::Utf16ToUtf8(reinterpret_cast<const char16_t*>(wide));
}
#endif

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 100;
  const bool hang = std::strcmp(argv[1], "hang") == 0;
  std::vector<std::string> arguments(argv, argv + argc);
#ifdef _WIN32
  // The arguments as they were given, every character of a name included.
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  for (int i = 0; i < count && i < argc; ++i) arguments[i] = Utf8(wide[i]);
  std::FILE* report = argc > 2 ? _wfopen(wide[2], L"wb") : nullptr;
  LocalFree(wide);
#else
  std::FILE* report = argc > 2 ? std::fopen(argv[2], "wb") : nullptr;
#endif
  if (report != nullptr) {
#ifdef _WIN32
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    std::fprintf(report, "cmdline=%s\nshow=%d\npid=%lu\n", Utf8(GetCommandLineW()).c_str(), show,
                 GetCurrentProcessId());
#else
    std::fprintf(report, "pid=%ld\n", static_cast<long>(getpid()));
    if (hang) {
      const pid_t child = fork();
      if (child == 0) WaitForever();
      std::fprintf(report, "child=%ld\n", static_cast<long>(child));
    }
#endif
    for (int i = 1; i < argc; ++i) std::fprintf(report, "arg=%s\n", arguments[i].c_str());
    std::fclose(report);
  }
  if (hang) {
    std::puts("hanging");
    std::fflush(stdout);
    SignalHanging();
    WaitForever();
  }
  const char* code = argv[1];
  if (const char* colon = std::strchr(code, ':')) {
    const int lines = std::atoi(code);
    for (int line = 1; line <= lines; ++line) {
      std::FILE* stream = line % 2 == 1 ? stdout : stderr;
      std::fprintf(stream, "line %d\n", line);
      std::fflush(stream);
    }
    code = colon + 1;
  }
  return std::atoi(code);
}
