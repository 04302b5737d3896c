// The one search every page rule uses: the first occurrence of a fixed,
// case-sensitive literal at or after a position. A page text ends at its
// first NUL byte, so every search stops there; PageText keeps the bytes after
// it apart, so that a rewrite can carry them over unchanged.
#pragma once

#include <cstddef>
#include <string_view>

namespace page {

inline constexpr size_t kNotFound = std::string_view::npos;

// Position of the first `needle` in `text` starting at or after `from`, or
// kNotFound. A `from` past the end finds nothing.
inline size_t FindFrom(std::string_view text, size_t from, std::string_view needle) {
  if (from > text.size()) return kNotFound;
  return text.find(needle, from);
}

// A page's bytes split at the first NUL: `text` is what every search sees,
// `tail` the NUL and everything after it (empty when there is no NUL).
struct PageText {
  std::string_view text;
  std::string_view tail;

  explicit PageText(std::string_view bytes) {
    const size_t nul = bytes.find('\0');
    text = bytes.substr(0, nul);
    tail = nul == std::string_view::npos ? std::string_view() : bytes.substr(nul);
  }
};

}  // namespace page
