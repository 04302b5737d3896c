// What a front end needs of the running process.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable.
std::string ExecutablePath();

// True when standard error is a terminal (console).
bool StderrIsTerminal();

// Tells the memory allocator that this process allocates and frees buffers
// of a page's size (hundreds of kilobytes) over and over: freed memory is
// kept for the next page instead of going back to the system each time.
// Called once at start-up, before any thread is started.
void KeepFreedMemoryForReuse();

// ANSI text as the console wants it: on Windows converted to the console's
// output code page, elsewhere unchanged.
std::string AnsiToConsole(const std::string& text);

}  // namespace platform
