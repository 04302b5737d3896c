// Repairs the percent-encoded links into a page's "_files" folder that
// Firefox writes, so that they read plainly in the page's own charset.
#pragma once

#include <string_view>

#include "page/byte_search.h"
#include "page/charset.h"
#include "page/grow_buffer.h"

namespace page {

// The repaired page for the page bytes `page` (a whole file, NULs included:
// everything from the first NUL on is carried over unchanged), split at that
// NUL; the second form finds it itself. The repaired text holds no NUL.
// False when there is nothing to write (an empty text) or memory ran out;
// `out` then holds no result. A name decoded into ANSI text goes into a UTF-8 page
// through `ansiToUtf8` byte by byte, or, where that is null (an ANSI code
// page of more than one byte per character), converted as a whole.
bool RepairLinksInText(const PageText& page, GrowBuffer& out,
                       const ByteMap* ansiToUtf8 = AnsiToUtf8Map());
inline bool RepairLinksInText(std::string_view page, GrowBuffer& out,
                              const ByteMap* ansiToUtf8 = AnsiToUtf8Map()) {
  return RepairLinksInText(PageText(page), out, ansiToUtf8);
}

}  // namespace page
