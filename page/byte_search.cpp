#include "page/byte_search.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define VELKOR_SEARCH_SSE2 1
#endif

namespace page {
namespace {

// Whether the needle's bytes stand at `at`. Needles are short: four bytes
// at a time, the last four overlapping, beat a call to memcmp; a needle
// shorter than four goes byte by byte.
inline bool HoldsAt(const char* at, std::string_view bytes) {
  const size_t size = bytes.size();
  if (size < 4) {
    for (size_t i = 0; i < size; ++i) {
      if (at[i] != bytes[i]) return false;
    }
    return true;
  }
  auto same = [&](size_t i) {
    uint32_t here;
    uint32_t wanted;
    std::memcpy(&here, at + i, sizeof here);
    std::memcpy(&wanted, bytes.data() + i, sizeof wanted);
    return here == wanted;
  };
  for (size_t i = 0; i + 4 < size; i += 4) {
    if (!same(i)) return false;
  }
  return same(size - 4);
}

// The start of `needle` in `text` from `from` on: the needle's rarest byte
// is looked for with memchr, and the whole compared where it stands.
size_t FindPortable(std::string_view text, size_t from, const Needle& needle) {
  const std::string_view bytes = needle.bytes;
  const char* const begin = text.data();
  const char* scan = begin + from + needle.rare;
  const char* const scanEnd = begin + (text.size() - bytes.size()) + needle.rare + 1;
  while (scan < scanEnd) {
    const void* hit = std::memchr(scan, bytes[needle.rare], static_cast<size_t>(scanEnd - scan));
    if (hit == nullptr) return kNotFound;
    const char* const start = static_cast<const char*>(hit) - needle.rare;
    if (HoldsAt(start, bytes)) {
      return static_cast<size_t>(start - begin);
    }
    scan = static_cast<const char*>(hit) + 1;
  }
  return kNotFound;
}

size_t FindLastPortable(std::string_view text, char byte) { return text.rfind(byte); }

#if VELKOR_SEARCH_SSE2

// The 32-bit Windows build assumes no SSE2 from the processor: there the
// SSE2 code is compiled for it alone and taken only when the processor has it.
#if defined(__SSE2__)
#define VELKOR_SSE2_FUNCTION
bool ProcessorHasSse2() { return true; }
#else
#define VELKOR_SSE2_FUNCTION __attribute__((target("sse2")))
bool ProcessorHasSse2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("sse2") != 0;
}
#endif

// Where in the 16 candidate starts at `at` the needle's filter bytes stand
// where the needle has them: a byte of all ones in each such lane. A needle
// filtered on one byte alone has it as both.
template <bool kTwoFilters>
VELKOR_SSE2_FUNCTION inline __m128i Candidates(const char* at, const Needle& needle, __m128i rare,
                                               __m128i second) {
  const __m128i atRare = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + needle.rare));
  if (!kTwoFilters) return _mm_cmpeq_epi8(atRare, rare);
  const __m128i atSecond = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + needle.second));
  return _mm_and_si128(_mm_cmpeq_epi8(atRare, rare), _mm_cmpeq_epi8(atSecond, second));
}

VELKOR_SSE2_FUNCTION inline unsigned Mask(__m128i lanes) {
  return static_cast<unsigned>(_mm_movemask_epi8(lanes));
}

// FindPortable's result, 64 candidate starts at a time: the filter bytes
// are compared in each lane, and only the starts where they stand are
// compared whole. The last stretch, too short for a full step, is left to
// the portable search.
template <bool kTwoFilters>
VELKOR_SSE2_FUNCTION size_t FindSse2(std::string_view text, size_t from, const Needle& needle) {
  const std::string_view bytes = needle.bytes;
  const char* const begin = text.data();
  const size_t lastStart = text.size() - bytes.size();
  const size_t reach = needle.rare > needle.second ? needle.rare : needle.second;
  const __m128i rare = _mm_set1_epi8(bytes[needle.rare]);
  const __m128i second = _mm_set1_epi8(bytes[needle.second]);
  size_t start = from;
  // Many searches end close by (the end of a tag, the next link): one lane
  // block is looked at before the long steps begin.
  if (text.size() - start >= 16 + reach) {
    for (unsigned mask = Mask(Candidates<kTwoFilters>(begin + start, needle, rare, second));
         mask != 0; mask &= mask - 1) {
      const size_t candidate = start + static_cast<size_t>(__builtin_ctz(mask));
      if (candidate > lastStart) return kNotFound;
      if (HoldsAt(begin + candidate, bytes)) return candidate;
    }
    start += 16;
  }
  // Every load of a step stays inside the text. A step without a candidate,
  // the usual one, costs one mask of the four blocks together.
  while (text.size() - start >= 64 + reach) {
    const char* const at = begin + start;
    const __m128i first = Candidates<kTwoFilters>(at, needle, rare, second);
    const __m128i next = Candidates<kTwoFilters>(at + 16, needle, rare, second);
    const __m128i third = Candidates<kTwoFilters>(at + 32, needle, rare, second);
    const __m128i last = Candidates<kTwoFilters>(at + 48, needle, rare, second);
    if (Mask(_mm_or_si128(_mm_or_si128(first, next), _mm_or_si128(third, last))) != 0) {
      uint64_t mask = Mask(first) | uint64_t{Mask(next)} << 16 | uint64_t{Mask(third)} << 32 |
                      uint64_t{Mask(last)} << 48;
      while (mask != 0) {
        const size_t candidate = start + static_cast<size_t>(__builtin_ctzll(mask));
        if (candidate > lastStart) return kNotFound;
        if (HoldsAt(begin + candidate, bytes)) return candidate;
        mask &= mask - 1;
      }
    }
    start += 64;
  }
  return start > lastStart ? kNotFound : FindPortable(text, start, needle);
}

// The first `byte` from `from` on. The rules look for the end of a tag or
// of a quoted value, mostly a few bytes on: the first 64 are looked at here,
// 16 at a time, which spares a call to memchr for nearly all of them.
VELKOR_SSE2_FUNCTION size_t FindByteSse2(std::string_view text, size_t from, char byte) {
  const __m128i wanted = _mm_set1_epi8(byte);
  for (int block = 0; block < 4 && text.size() - from >= 16; ++block, from += 16) {
    const __m128i at = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + from));
    const unsigned mask = Mask(_mm_cmpeq_epi8(at, wanted));
    if (mask != 0) return from + static_cast<size_t>(__builtin_ctz(mask));
  }
  return text.find(byte, from);
}

// FindLastPortable's result, 16 bytes at a time from the end.
VELKOR_SSE2_FUNCTION size_t FindLastSse2(std::string_view text, char byte) {
  const __m128i wanted = _mm_set1_epi8(byte);
  size_t end = text.size();
  while (end >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + end - 16));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(block, wanted)));
    if (mask != 0) return end - 16 + static_cast<size_t>(31 - __builtin_clz(mask));
    end -= 16;
  }
  return FindLastPortable(text.substr(0, end), byte);
}

const bool g_simd = ProcessorHasSse2();

#endif

}  // namespace

size_t FindFrom(std::string_view text, size_t from, const Needle& needle,
                [[maybe_unused]] SearchPath path) {
  if (from > text.size()) return kNotFound;
  const std::string_view bytes = needle.bytes;
#if VELKOR_SEARCH_SSE2
  if (g_simd && path == SearchPath::Fastest && bytes.size() == 1) {
    return FindByteSse2(text, from, bytes[0]);
  }
#endif
  if (bytes.size() < 2) return text.find(bytes, from);
  if (text.size() - from < bytes.size()) return kNotFound;
#if VELKOR_SEARCH_SSE2
  if (g_simd && path == SearchPath::Fastest) {
    return needle.second == needle.rare ? FindSse2<false>(text, from, needle)
                                        : FindSse2<true>(text, from, needle);
  }
#endif
  return FindPortable(text, from, needle);
}

size_t FindLastByte(std::string_view text, char byte, [[maybe_unused]] SearchPath path) {
#if VELKOR_SEARCH_SSE2
  if (g_simd && path == SearchPath::Fastest) return FindLastSse2(text, byte);
#endif
  return FindLastPortable(text, byte);
}

void FindEachOf(std::string_view text, size_t from, const Needle* needles, const size_t* coreAt,
                size_t count, const Needle& core, size_t* found, size_t wanted) {
  if (core.bytes.size() < 2) {
    // Nothing worth scanning for in common: one search each.
    for (size_t k = 0; k < count; ++k) found[k] = FindFrom(text, from, needles[k]);
    return;
  }
  for (size_t k = 0; k < count; ++k) found[k] = kNotFound;
  size_t missing = wanted;
  size_t nearest = coreAt[0];
  for (size_t k = 1; k < count; ++k) nearest = coreAt[k] < nearest ? coreAt[k] : nearest;
  // A needle that starts at `from` or later holds the core at `from` +
  // `nearest` or later.
  size_t scan = from + nearest;
  while (missing > 0) {
    const size_t at = FindFrom(text, scan, core);
    if (at == kNotFound) return;
    for (size_t k = 0; k < count; ++k) {
      if (found[k] != kNotFound || at < from + coreAt[k]) continue;
      const size_t start = at - coreAt[k];
      if (text.substr(start).starts_with(needles[k].bytes)) {
        found[k] = start;
        if (k < wanted) --missing;
      }
    }
    scan = at + 1;
  }
}

}  // namespace page
