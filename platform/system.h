// What a front end needs of the running process.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable.
std::string ExecutablePath();

// `path` made absolute against the current folder, in the program's own
// 8-bit text; unchanged when that cannot be done.
std::string FullPath(const char* path);

// True when standard error is a terminal (console).
bool StderrIsTerminal();

// Tells the memory allocator that this process allocates and frees buffers
// of a page's size (hundreds of kilobytes) over and over: freed memory is
// kept for the next page instead of going back to the system each time.
// Called once at start-up, before any thread is started.
void KeepFreedMemoryForReuse();

enum class StdStream { Out, Err };

// ANSI text as it should be written to `stream`: on Windows, when that stream
// is a console, converted to the console's output code page; otherwise (a
// file, a pipe, or any stream elsewhere) unchanged.
std::string AnsiToConsole(const std::string& text, StdStream stream);

}  // namespace platform
