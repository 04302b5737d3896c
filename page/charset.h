// The charset a page declares in its head, and the small text conversions
// the link repair and the title extraction need.
#pragma once

#include <cstdint>
#include <string_view>

#include "page/grow_buffer.h"

namespace page {

enum class PageCharset { Utf8, Koi8R, Other };

// The charset declared by the first "charset" of the text, when it stands
// before "</head>". `text` ends at the page's first NUL.
PageCharset SniffCharset(std::string_view text);

// Decodes the %XX sequences (digits and capital A-F only) of a NUL-terminated
// string in place. True when at least one was decoded.
bool PercentDecode(char* text);

// Translates a NUL-terminated Windows-1251 string to KOI8-R in place.
void Cp1251ToKoi8R(char* text);

// Converts `length` bytes of UTF-8 into single bytes of `codePage`, one
// character at a time; broken sequences are dropped byte by byte. On return
// `length` is the number of bytes produced. Null when nothing was produced or
// memory ran out. `defaultUsed`, when given, tells whether any character had
// no equivalent and became a blank.
HeapBytes Utf8ToCodePage(const char* text, int32_t& length, unsigned codePage,
                         bool* defaultUsed);

// Converts NUL-terminated ANSI text into a new NUL-terminated UTF-8 string.
// Null when the conversion fails or memory runs out.
HeapBytes AnsiToUtf8(const char* text);

}  // namespace page
