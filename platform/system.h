// What a front end needs of the running process and of the system around
// it.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/interrupt.h"
#include "platform/service.h"

namespace platform {

class RunningProcess {
 public:
  virtual ~RunningProcess() = default;

  // Full path of the running executable.
  virtual std::string ExecutablePath() = 0;

  // `path` made absolute against the current folder, in the program's own
  // 8-bit text; unchanged when that cannot be done.
  virtual std::string FullPath(const char* path) = 0;

  // The folder in which this user's programs keep their settings, as a full
  // path: the XDG configuration folder ($XDG_CONFIG_HOME when it holds an
  // absolute path, else ~/.config). Empty on Windows, where the program,
  // unpacked into any folder, keeps its settings beside itself; empty too
  // when no home folder is known.
  virtual std::string UserSettingsFolder() = 0;

  // The folders whose settings lie beneath the user's, most important
  // first, as full paths: the XDG ones ($XDG_CONFIG_DIRS, its relative
  // entries left out, /etc/xdg when it names none). Empty on Windows, where
  // the settings beside the program are the only ones.
  virtual std::vector<std::string> SystemSettingsFolders() = 0;

  // True when `path` leads to a regular file that the system may start as a
  // program for this process: on POSIX one it may execute; on Windows any
  // regular file (whether it is a program, the start itself tells).
  virtual bool IsProgramFile(const char* path) = 0;

  // True when standard error is a terminal (console).
  virtual bool StderrIsTerminal() = 0;

  // Writes the program's text (UTF-8) to `stream`. On Windows a console is
  // given it in UTF-16, so that it shows every character, and a file or a
  // pipe in the ANSI code page, as programs there read it ("?" for a
  // character the code page lacks); elsewhere it goes as it is.
  virtual void WriteText(std::FILE* stream, std::string_view text) = 0;

  // Tells the memory allocator that this process allocates and frees
  // buffers of a page's size (hundreds of kilobytes) over and over: freed
  // memory is kept for the next page instead of going back to the system
  // each time. Called once at start-up, before any thread is started.
  virtual void KeepFreedMemoryForReuse() = 0;

  // Watches for Ctrl+C and the request to terminate while the watch lives
  // (see InterruptWatch).
  virtual std::unique_ptr<InterruptWatch> WatchInterrupts(
      std::function<void(int exitStatus)> onInterrupt) = 0;
};

// The program's arguments after its name, as UTF-8 text. On Windows they
// are read from the UTF-16 command line by the classic rules of the runtime
// (whose own ANSI arguments would hold look-alike letters, naming another
// file, where the code page lacks a character); elsewhere `argv` as it is.
std::vector<std::string> ProgramArguments(int argc, char** argv);

RunningProcess& NativeProcess();
// The implementation in use: the native one unless a test has put another
// in its place with a ScopedRunningProcess.
inline RunningProcess& ThisProcess() { return ServiceSlot<RunningProcess>::Get(NativeProcess()); }
using ScopedRunningProcess = ScopedService<RunningProcess>;

}  // namespace platform
