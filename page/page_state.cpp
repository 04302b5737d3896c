#include "page/page_state.h"

#include <algorithm>

namespace page {
namespace {

// How many bytes at the start of `page` equal those of `other`.
size_t CommonStart(std::string_view page, std::string_view other) {
  const size_t limit = std::min(page.size(), other.size());
  return static_cast<size_t>(std::mismatch(page.begin(), page.begin() + limit, other.begin()).first -
                             page.begin());
}

// True when `page` is `head` up to some point and `tail` from there to its
// end. Taking as much of `head` as matches is enough: any point that works
// lies at or before that one, and `tail` matches from there on too.
bool HeadThenTail(std::string_view page, std::string_view head, std::string_view tail) {
  const size_t point = CommonStart(page, head);
  return point == page.size() ||
         (page.size() <= tail.size() && page.substr(point) == tail.substr(point, page.size() - point));
}

}  // namespace

PageState ClassifyPage(std::string_view page, std::string_view original,
                       std::string_view rewritten) {
  if (page == original) return PageState::Original;
  if (page == rewritten) return PageState::Final;
  const size_t length = page.size();
  const bool shrinks = rewritten.size() < original.size();
  const size_t shortest = std::min(original.size(), rewritten.size());
  const size_t longest = std::max(original.size(), rewritten.size());
  const bool writeLength = shrinks ? length == original.size() || length == rewritten.size()
                                   : length >= original.size() && length <= rewritten.size();
  if (writeLength && HeadThenTail(page, rewritten, original)) return PageState::CutWrite;
  if (length >= shortest && length <= longest && HeadThenTail(page, original, rewritten)) {
    return PageState::CutRollback;
  }
  return PageState::Other;
}

}  // namespace page
