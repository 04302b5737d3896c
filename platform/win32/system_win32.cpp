#include <windows.h>
#include <io.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/command_line.h"
#include "platform/system.h"
#include "platform/utf16.h"
#include "platform/win32/wide_text.h"

namespace platform {
namespace {

bool IsConsole(DWORD which) {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(which), &mode) != FALSE;
}

// `text` in the ANSI code page, never by look-alike ("best fit"): a
// character the code page lacks is "?". Text that is no UTF-8 goes as it is.
std::string ToAnsi(std::string_view text) {
  std::u16string wide;
  if (!Utf8ToUtf16(text, wide) || wide.empty()) return std::string(text);
  const UINT codePage = GetACP();
  // UTF-8 holds every character; the system refuses the flag and the
  // default character for it.
  const bool utf8 = codePage == CP_UTF8;
  const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
  const char* const lacking = utf8 ? nullptr : "?";
  const auto length = static_cast<int>(wide.size());
  const int needed = WideCharToMultiByte(codePage, flags, AsWide(wide.c_str()), length, nullptr,
                                         0, lacking, nullptr);
  if (needed <= 0) return std::string(text);
  std::string ansi(static_cast<size_t>(needed), '\0');
  WideCharToMultiByte(codePage, flags, AsWide(wide.c_str()), length, ansi.data(), needed, lacking,
                      nullptr);
  return ansi;
}

class Win32Process final : public RunningProcess {
 public:
  std::string ExecutablePath() override {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
      const DWORD length =
          GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
      if (length == 0) return std::string();
      // A full buffer means the name was cut: ask again with more room.
      if (length < path.size()) return FromWide(path.c_str());
      path.resize(path.size() * 2);
    }
  }

  // Nothing is tuned here: the Windows heap keeps its own policy.
  void KeepFreedMemoryForReuse() override {}

  std::string FullPath(const char* path) override {
    const WideText wide(path);
    if (!wide.ok()) return path;
    const DWORD room = GetFullPathNameW(wide.get(), 0, nullptr, nullptr);
    if (room == 0) return path;
    std::wstring full(room, L'\0');
    const DWORD length = GetFullPathNameW(wide.get(), room, full.data(), nullptr);
    if (length == 0 || length >= room) return path;
    return FromWide(full.c_str());
  }

  bool StderrIsTerminal() override { return IsConsole(STD_ERROR_HANDLE); }

  void WriteText(std::FILE* stream, std::string_view text) override {
    const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
    DWORD mode = 0;
    std::u16string wide;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) &&
        Utf8ToUtf16(text, wide)) {
      // What the stream holds still goes first.
      std::fflush(stream);
      DWORD written = 0;
      WriteConsoleW(handle, AsWide(wide.c_str()), static_cast<DWORD>(wide.size()), &written,
                    nullptr);
      return;
    }
    const std::string ansi = ToAnsi(text);
    std::fwrite(ansi.data(), 1, ansi.size(), stream);
  }

  // Velkor.exe, unpacked into any folder, keeps velkor.ini beside itself.
  std::string UserSettingsFolder() override { return std::string(); }
  std::vector<std::string> SystemSettingsFolders() override { return {}; }

  bool IsProgramFile(const char* path) override {
    const DWORD attributes = GetFileAttributesW(WideText(path).get());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  }

  std::unique_ptr<InterruptWatch> WatchInterrupts(
      std::function<void(int exitStatus)> onInterrupt) override {
    return WatchSystemInterrupts(std::move(onInterrupt));
  }
};

}  // namespace

std::vector<std::string> ProgramArguments(int, char**) {
  const std::string commandLine = FromWide(GetCommandLineW());
  return SplitArgumentText(SkipProgramName(commandLine.c_str()));
}

RunningProcess& NativeProcess() {
  static Win32Process process;
  return process;
}

}  // namespace platform
