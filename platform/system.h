// What a front end needs of the running process.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable.
std::string ExecutablePath();

// True when standard error is a terminal (console).
bool StderrIsTerminal();

// ANSI text as the console wants it: on Windows converted to the console's
// output code page, elsewhere unchanged.
std::string AnsiToConsole(const std::string& text);

}  // namespace platform
