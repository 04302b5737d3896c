// The one search every page rule uses: the first occurrence of a fixed,
// case-sensitive literal at or after a position. A page text ends at its
// first NUL byte, so every search stops there; PageText keeps the bytes after
// it apart, so that a rewrite can carry them over unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace page {

inline constexpr size_t kNotFound = std::string_view::npos;

namespace detail {

// ASCII bytes of HTML from the most frequent on; every other byte counts as
// rarer than all of them.
inline constexpr std::string_view kCommonHtmlBytes =
    " \"=<>/etaisrnodlcph\n\tmu.-fgv:b0y1w2k345x6789_;";

// How rare each byte is in HTML: the higher, the rarer.
inline constexpr std::array<uint8_t, 256> kHtmlRarity = [] {
  std::array<uint8_t, 256> rarity{};
  rarity.fill(static_cast<uint8_t>(kCommonHtmlBytes.size()));
  for (size_t i = 0; i < kCommonHtmlBytes.size(); ++i) {
    rarity[static_cast<unsigned char>(kCommonHtmlBytes[i])] = static_cast<uint8_t>(i);
  }
  return rarity;
}();

// The index of the needle's rarest byte in HTML.
inline size_t RarestByteIndex(std::string_view needle) {
  size_t rarest = 0;
  for (size_t i = 1; i < needle.size(); ++i) {
    if (kHtmlRarity[static_cast<unsigned char>(needle[i])] >
        kHtmlRarity[static_cast<unsigned char>(needle[rarest])]) {
      rarest = i;
    }
  }
  return rarest;
}

}  // namespace detail

// Position of the first `needle` in `text` starting at or after `from`, or
// kNotFound. A `from` past the end finds nothing.
inline size_t FindFrom(std::string_view text, size_t from, std::string_view needle) {
  if (from > text.size()) return kNotFound;
  if (needle.size() < 2) return text.find(needle, from);
  if (text.size() - from < needle.size()) return kNotFound;
  // Pages are dense with "<", "a" and "=": scanning for the needle's rarest
  // byte instead of its first one spares most of the false starts.
  const size_t rare = detail::RarestByteIndex(needle);
  const char* const begin = text.data();
  const char* scan = begin + from + rare;
  const char* const scanEnd = begin + (text.size() - needle.size()) + rare + 1;
  while (scan < scanEnd) {
    const void* hit = std::memchr(scan, needle[rare], static_cast<size_t>(scanEnd - scan));
    if (hit == nullptr) return kNotFound;
    const char* const start = static_cast<const char*>(hit) - rare;
    if (std::memcmp(start, needle.data(), needle.size()) == 0) {
      return static_cast<size_t>(start - begin);
    }
    scan = static_cast<const char*>(hit) + 1;
  }
  return kNotFound;
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
