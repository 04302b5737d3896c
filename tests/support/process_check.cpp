#include "tests/support/process_check.h"

#include <chrono>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fstream>
#include <string>
#endif

namespace testsupport {
namespace {

bool IsGone(long pid) {
#ifdef _WIN32
  const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
  if (process == nullptr) return true;
  const bool ended = WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
  CloseHandle(process);
  return ended;
#else
  // The process table's entry: "pid (name) state ..."; none once it is reaped.
  std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return true;
  const size_t nameEnd = line.rfind(')');
  return nameEnd != std::string::npos && line.compare(nameEnd + 2, 1, "Z") == 0;
#endif
}

}  // namespace

bool HasEnded(long pid) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!IsGone(pid)) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

}  // namespace testsupport
