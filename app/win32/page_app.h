// The application: reads the archiver settings, starts the worker, runs the
// main window modally, and stops the worker when the window has gone.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/win32/main_window_sink.h"
#include "app/window_worker.h"

namespace win32 {

class CPageApp {
 public:
  // Everything the program does while its window is open; FALSE always,
  // since the program has no message loop of its own after the window.
  BOOL InitInstance();
  // Lets the worker finish its job in hand, drops what is still queued and
  // waits for the worker to end. Returns the process's exit code.
  int ExitInstance();

 private:
  std::string settingsPath_;
  std::string commandLine_;  // UTF-8, the program's name included
  MainWindowSink sink_;
  app::WindowWorker worker_;
};

}  // namespace win32
