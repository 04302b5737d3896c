// UTF-16 text from the system in the program's 8-bit text, for the Win32
// files of the platform layer and the Win32 front end.
#pragma once

#include <string>

namespace platform {

// Converts NUL-terminated UTF-16 text to the ANSI code page, never by
// look-alike ("best fit"), which could name another file. False when a
// character is lacking: it is then "?" in `ansi`.
bool WideToAnsi(const wchar_t* wide, std::string& ansi);

}  // namespace platform
