// The searches every page rule uses: the first occurrence of a fixed,
// case-sensitive literal at or after a position, and the first occurrence of
// each of a few literals in one scan. A page text ends at its first NUL
// byte, so every search stops there; PageText keeps the bytes after it
// apart, so that a rewrite can carry them over unchanged.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

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

// A byte at least this rare stands in few places of a page: a scan looks
// at it alone, one compare a lane instead of two, and the odd false start
// costs less than the second compare everywhere.
inline constexpr uint8_t kRareEnoughAlone = kHtmlRarity['_'];

// The index of the needle's rarest byte in HTML, leaving out index `skip`.
constexpr size_t RarestByteIndex(std::string_view needle, size_t skip) {
  size_t rarest = kNotFound;
  for (size_t i = 0; i < needle.size(); ++i) {
    if (i != skip && (rarest == kNotFound ||
                      kHtmlRarity[static_cast<unsigned char>(needle[i])] >
                          kHtmlRarity[static_cast<unsigned char>(needle[rarest])])) {
      rarest = i;
    }
  }
  return rarest == kNotFound ? 0 : rarest;
}

}  // namespace detail

// A literal to search for, with the two of its bytes that a scan looks at
// before it compares the whole: its rarest ones in HTML. Pages are dense with
// "<", "a" and "=", so filtering on rare bytes spares most false starts. A
// rarest byte that is rare enough is looked at alone: `second` is `rare`.
struct Needle {
  std::string_view bytes;
  size_t rare = 0;
  size_t second = 0;

  // Not explicit, so that a literal can stand wherever a needle is asked for.
  constexpr Needle(std::string_view literal)
      : bytes(literal),
        rare(detail::RarestByteIndex(literal, kNotFound)),
        second(literal.empty() || detail::kHtmlRarity[static_cast<unsigned char>(
                                      literal[rare])] >= detail::kRareEnoughAlone
                   ? rare
                   : detail::RarestByteIndex(literal, rare)) {}
  constexpr Needle(const char* literal) : Needle(std::string_view(literal)) {}
};

// Which instructions a search takes: the fastest the processor has (SIMD
// where there is any), or the portable ones every processor has. Both give
// the same results; tests hold each to the standard searches.
enum class SearchPath { Fastest, Portable };

// Position of the first `needle` in `text` starting at or after `from`, or
// kNotFound. A `from` past the end finds nothing.
size_t FindFrom(std::string_view text, size_t from, const Needle& needle,
                SearchPath path = SearchPath::Fastest);

// Position of the last `byte` in `text`, or kNotFound.
size_t FindLastByte(std::string_view text, char byte, SearchPath path = SearchPath::Fastest);

// A few literals searched for in one scan. The scan looks for the longest
// run of bytes that all of them hold (`core`) and compares each literal
// around it; literals that share nothing are searched for one by one.
template <size_t N>
struct NeedleSet {
  std::array<Needle, N> needles;
  Needle core{std::string_view()};
  std::array<size_t, N> coreAt{};  // where each literal holds the core

  constexpr explicit NeedleSet(const std::array<std::string_view, N>& literals)
      : needles(MakeNeedles(literals)) {
    for (size_t length = literals[0].size(); length >= 2 && core.bytes.empty(); --length) {
      for (size_t start = 0; start + length <= literals[0].size(); ++start) {
        const std::string_view candidate = literals[0].substr(start, length);
        bool shared = true;
        for (size_t k = 0; k < N && shared; ++k) {
          coreAt[k] = literals[k].find(candidate);
          shared = coreAt[k] != kNotFound;
        }
        if (shared) {
          core = Needle(candidate);
          break;
        }
      }
    }
  }

 private:
  static constexpr std::array<Needle, N> MakeNeedles(
      const std::array<std::string_view, N>& literals) {
    return [&]<size_t... k>(std::index_sequence<k...>) {
      return std::array<Needle, N>{Needle(literals[k])...};
    }(std::make_index_sequence<N>());
  }
};

// The scan behind FindEach: `found[k]` becomes the first occurrence of
// needles[k] at or after `from`, or kNotFound. The scan ends once the first
// `wanted` needles have all been found; the others are then only known
// where the scan met them.
void FindEachOf(std::string_view text, size_t from, const Needle* needles, const size_t* coreAt,
                size_t count, const Needle& core, size_t* found, size_t wanted);

// The first occurrence of each literal of `set` at or after `from`, or
// kNotFound, all in one scan.
template <size_t N>
std::array<size_t, N> FindEach(std::string_view text, size_t from, const NeedleSet<N>& set) {
  std::array<size_t, N> found;
  FindEachOf(text, from, set.needles.data(), set.coreAt.data(), N, set.core, found.data(), N);
  return found;
}

// The first occurrence of the first literal of `pair` at or after `from`, or,
// only when there is none, the first occurrence of the second: one scan.
inline size_t FindEither(std::string_view text, size_t from, const NeedleSet<2>& pair) {
  size_t found[2];
  FindEachOf(text, from, pair.needles.data(), pair.coreAt.data(), 2, pair.core, found, 1);
  return found[0] != kNotFound ? found[0] : found[1];
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

  // The same split where the text's length is known already: a rewrite that
  // puts no NUL into the text and carries the tail over knows where its
  // output's text ends, and a page is not searched for its NUL stage by stage.
  PageText(std::string_view bytes, size_t textLength)
      : text(bytes.substr(0, textLength)), tail(bytes.substr(textLength)) {}

  // The whole page: the text and its tail.
  std::string_view Bytes() const { return {text.data(), text.size() + tail.size()}; }
};

}  // namespace page
