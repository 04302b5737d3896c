// A plain rendering of the page rules, the judge of the fast transforms in page/: every search
// a std::string_view::find, every link decoded in a copy of its own. Meant to be obviously right.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "page/charset.h"

namespace reference {

page::PageCharset SniffCharset(std::string_view text);

// The whole rewritten file, or nothing when the rules write nothing. Bytes from the first NUL
// on are carried over at the end, as the product does.
std::optional<std::string> RepairLinks(std::string_view page);
std::optional<std::string> FirstRewrite(std::string_view page);
std::optional<std::string> Relayout(std::string_view page);

}  // namespace reference
