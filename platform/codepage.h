// Conversions between the ANSI code page and UTF-16, for the text of pages
// saved in it (Windows-1251 on the Russian systems the tool is made for): on
// Windows the system's own conversions, elsewhere a 1251 table of our own.
// Neither maps a missing letter to a look-alike.
#pragma once

#include <vector>

namespace platform {

// Names the ANSI code page, whatever its number (CP_ACP).
inline constexpr unsigned kAnsiCodePageAlias = 0;

// The number of the ANSI code page (GetACP); 1251 where there is no system one.
unsigned AnsiCodePage();

// Converts NUL-terminated ANSI text into UTF-16 units, its terminator
// included (so `units` ends with a 0 unit). False when the conversion fails
// or memory runs out; `units` is then unspecified.
bool AnsiToUtf16(const char* text, std::vector<char16_t>& units);

// Converts one UTF-16 unit into one byte of `codePage` (kAnsiCodePageAlias or
// a code page number). A character the code page lacks becomes a blank and
// sets `usedDefault`; otherwise `usedDefault` is cleared. False when the
// conversion is impossible: `out` is then left as it was.
bool Utf16UnitToCodePage(unsigned codePage, char16_t unit, char& out, bool& usedDefault);

}  // namespace platform
