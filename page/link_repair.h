// Repairs the percent-encoded links into a page's "_files" folder that
// Firefox writes, so that they read plainly in the page's own charset.
#pragma once

#include <string_view>

#include "page/charset.h"
#include "page/grow_buffer.h"

namespace page {

// The repaired page for the page bytes `page` (a whole file, NULs included:
// everything from the first NUL on is carried over unchanged). False when
// there is nothing to write (an empty text) or memory ran out; `out` then
// holds no result. A name decoded into ANSI text goes into a UTF-8 page
// through `ansiToUtf8` byte by byte, or, where that is null (an ANSI code
// page of more than one byte per character), converted as a whole.
bool RepairLinksInText(std::string_view page, GrowBuffer& out,
                       const ByteMap* ansiToUtf8 = AnsiToUtf8Map());

}  // namespace page
