// A value a page gives for a file name (its title, English name or type),
// as the name's text.
#pragma once

#include "page/charset.h"
#include "page/grow_buffer.h"

namespace page {

// `value`, NUL-terminated text of a page in `charset`, as UTF-8: converted
// from the page's charset, and each numeric character reference ("&#333;",
// "&#x14D;", by which a page writes a character its charset lacks) and each
// of "&amp;", "&lt;", "&gt;", "&quot;", "&apos;" and "&nbsp;" read as the
// character it stands for, where a file name can hold that character.
// Empty for an empty value, or when memory ran out.
GrowBuffer NameText(const char* value, PageCharset charset);

}  // namespace page
