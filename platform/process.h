// Starting the external archiver.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts `program` (its path taken verbatim, no search along PATH) with the
// Windows-style argument text `argumentText`, whose program-name part is
// empty when it begins with a blank, and waits for it to end. `hidden`
// hides its window where windows exist. Returns the exit code, or -1 when
// the program cannot be started. Where processes end by signals, one that
// did gives 128 + the signal's number, as a shell reports it.
int RunProcess(const char* program, const char* argumentText, bool hidden);

// Splits argument text into arguments by the Windows rules: blanks and tabs
// separate, double quotes group, 2n backslashes before a quote give n
// backslashes and toggle quoting, 2n+1 give n backslashes and a literal
// quote, other backslashes are literal. These are the classic rules: "" in
// quotes ends the quoting and starts it again, so "a""b" gives ab.
std::vector<std::string> SplitArgumentText(const char* text);

}  // namespace platform
