// What a page found beside its journal after a crash can be: one of the
// states Velkor's own writes pass through, or anything else, which is then
// the user's and never guessed about. Bytes in memory only.
#pragma once

#include <string_view>

namespace page {

enum class PageState {
  Original,     // the page as the journal holds it
  Final,        // its rewritten form
  CutWrite,     // the rewritten bytes up to some point, then the original's
  CutRollback,  // the original bytes up to some point, then the rewritten form's
  Other,        // none of these: saved again or edited since, or damaged
};

// The write of `rewritten` over `original` goes from the start and cuts the
// page to its length at the end, so a write cut short leaves the new bytes
// up to some point and then the old ones: as long as the original (not cut
// yet) or as the rewritten page (cut, the rest of the write lost to a power
// cut), or, when the page grows, any length between. Putting the original
// back writes it from the start over the rewritten page: the original's
// bytes up to some point, then the rewritten ones, at every length between
// the two. Each state is taken to be the one it first matches, in the order
// of the enum.
PageState ClassifyPage(std::string_view page, std::string_view original,
                       std::string_view rewritten);

}  // namespace page
