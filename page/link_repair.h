// Repairs the percent-encoded links into a page's "_files" folder that
// Firefox writes, so that they read plainly in the page's own charset.
#pragma once

#include <string_view>

#include "page/grow_buffer.h"

namespace page {

// The repaired page for the page bytes `page` (a whole file, NULs included:
// everything from the first NUL on is carried over unchanged). False when
// there is nothing to write (an empty text) or memory ran out; `out` then
// holds no result.
bool RepairLinksInText(std::string_view page, GrowBuffer& out);

}  // namespace page
