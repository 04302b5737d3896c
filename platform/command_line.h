// The three ways a command line is split, each written once: the Windows
// rules of a program's own arguments, the program name at the start of a
// Windows command line, and the paths of the window's command line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Splits argument text into arguments by the Windows rules: blanks and tabs
// separate, double quotes group, 2n backslashes before a quote give n
// backslashes and toggle quoting, 2n+1 give n backslashes and a literal
// quote, other backslashes are literal. These are the classic rules: "" in
// quotes ends the quoting and starts it again, so "a""b" gives ab.
std::vector<std::string> SplitArgumentText(std::string_view text);

// The argument part of a Windows command line: the program's name (in
// double quotes or up to the first blank or tab) and the blanks and tabs
// after it skipped.
const char* SkipProgramName(const char* commandLine);

// Splits the window's command-line arguments into paths: blanks (spaces
// only) separate, a pair of double quotes encloses one path, an opening
// quote that is never closed is dropped, a quote inside an unquoted path is
// kept. A text equal to "/dde" in any letter case gives nothing.
std::vector<std::string> SplitCommandLine(const char* text);

}  // namespace platform
