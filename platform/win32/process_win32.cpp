#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/process.h"

namespace platform {

int RunProcess(const char* program, const char* argumentText, bool hidden) {
  // CreateProcessA may write into the command line, so it gets a copy.
  std::vector<char> commandLine(argumentText, argumentText + std::strlen(argumentText) + 1);

  STARTUPINFOA startup;
  std::memset(&startup, 0, sizeof startup);
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(hidden ? SW_HIDE : SW_SHOWNORMAL);

  PROCESS_INFORMATION process;
  std::memset(&process, 0, sizeof process);
  if (!CreateProcessA(program, commandLine.data(), nullptr, nullptr, FALSE,
                      NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 0;
  // An exit code that cannot be read must not pass for success.
  const bool known = GetExitCodeProcess(process.hProcess, &exitCode) != FALSE;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return known ? static_cast<int>(exitCode) : -1;
}

}  // namespace platform
