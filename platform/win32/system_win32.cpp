#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/system.h"

namespace platform {
namespace {

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != FALSE;
}

class Win32Process final : public RunningProcess {
 public:
  std::string ExecutablePath() override {
    std::string path(MAX_PATH, '\0');
    for (;;) {
      const DWORD length =
          GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (length == 0) return std::string();
      // A full buffer means the name was cut: ask again with more room.
      if (length < path.size()) {
        path.resize(length);
        return path;
      }
      path.resize(path.size() * 2);
    }
  }

  // Nothing is tuned here: the Windows heap keeps its own policy.
  void KeepFreedMemoryForReuse() override {}

  std::string FullPath(const char* path) override {
    const DWORD room = GetFullPathNameA(path, 0, nullptr, nullptr);
    if (room == 0) return path;
    std::string full(room, '\0');
    const DWORD length = GetFullPathNameA(path, room, full.data(), nullptr);
    if (length == 0 || length >= room) return path;
    full.resize(length);
    return full;
  }

  std::string EnvironmentValue(const char* name) override {
    const DWORD room = GetEnvironmentVariableA(name, nullptr, 0);
    if (room == 0) return std::string();
    std::string value(room, '\0');
    const DWORD length = GetEnvironmentVariableA(name, value.data(), room);
    if (length == 0 || length >= room) return std::string();
    value.resize(length);
    return value;
  }

  void EndAbruptly() override {
    TerminateProcess(GetCurrentProcess(), 137);
    ExitProcess(137);  // never reached: TerminateProcess on itself does not return
  }

  bool StderrIsTerminal() override { return IsConsole(STD_ERROR_HANDLE); }

  // The console shows text in its own output code page (usually the OEM one,
  // 866 on Russian systems), not in the ANSI code page the program writes in.
  // Text bound for a file or a pipe stays as it is.
  std::string AnsiToConsole(const std::string& text, StdStream stream) override {
    const DWORD handle = stream == StdStream::Err ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE;
    if (text.empty() || !IsConsole(handle)) return text;
    const UINT consolePage = GetConsoleOutputCP();
    if (consolePage == GetACP()) return text;
    const int length = static_cast<int>(text.size());
    const int wideLength = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (wideLength <= 0) return text;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), wideLength);
    const int outLength =
        WideCharToMultiByte(consolePage, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (outLength <= 0) return text;
    std::string out(static_cast<size_t>(outLength), '\0');
    WideCharToMultiByte(consolePage, 0, wide.data(), wideLength, out.data(), outLength, nullptr,
                        nullptr);
    return out;
  }

  // Velkor.exe, unpacked into any folder, keeps velkor.ini beside itself.
  std::string UserSettingsFolder() override { return std::string(); }
  std::vector<std::string> SystemSettingsFolders() override { return {}; }

  bool IsProgramFile(const char* path) override {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  std::unique_ptr<InterruptWatch> WatchInterrupts(
      std::function<void(int exitStatus)> onInterrupt) override {
    return WatchSystemInterrupts(std::move(onInterrupt));
  }
};

}  // namespace

RunningProcess& NativeProcess() {
  static Win32Process process;
  return process;
}

}  // namespace platform
