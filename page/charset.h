// The charset a page declares in its head, and the small text conversions
// the link repair and the title extraction need.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "page/grow_buffer.h"

namespace page {

enum class PageCharset { Utf8, Koi8R, Other };

// The charset declared by the first "charset" of the text, when it stands
// before "</head>". `text` ends at the page's first NUL.
PageCharset SniffCharset(std::string_view text);

// True when `value` is `lowerLiteral` with its ASCII letters in either case.
bool EqualsAsciiNoCase(std::string_view value, std::string_view lowerLiteral);

// The charset a declared name stands for ("utf-8", "KOI8-R"...), blanks and
// tabs around it aside.
PageCharset CharsetNamed(std::string_view name);

// Decodes the %XX sequences (digits and capital A-F only) of a NUL-terminated
// string in place, but for those of "#", "?" and "%", which a link needs
// escaped to name a file. True when at least one was decoded.
bool PercentDecode(char* text);

// Translates a NUL-terminated Windows-1251 string to KOI8-R in place.
void Cp1251ToKoi8R(char* text);

// Converts the UTF-8 bytes of `text` into single bytes of `codePage`, one
// character at a time; broken sequences are dropped byte by byte, and a lone
// last byte is passed through (callers count a text's NUL in, so that it
// comes back as the last byte). Empty when nothing was produced or memory
// ran out. `defaultUsed`, when given, tells whether any character had no
// equivalent and became a blank.
GrowBuffer Utf8ToCodePage(std::string_view text, unsigned codePage, bool* defaultUsed);

// Converts NUL-terminated ANSI text into UTF-8: the result holds the text
// without its terminator. Empty when the conversion fails or memory runs
// out; a text that is not empty never converts to nothing.
GrowBuffer AnsiToUtf8(const char* text);

// The UTF-8 rules shared by whatever cuts or checks names and lines.

// True for a byte that continues a UTF-8 character (10xxxxxx).
constexpr bool IsUtf8Continuation(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// True when `text` is well-formed UTF-8: each lead byte (C2-F4) is followed
// by as many continuation bytes as it announces, no other byte stands alone,
// and no sequence is the longer form of a shorter one, a surrogate or beyond
// U+10FFFF.
bool IsUtf8(std::string_view text);

// Writes the UTF-8 of `value` (up to U+10FFFF; a surrogate by itself, in
// three bytes) to `out`, which has room for four bytes; returns its length.
size_t EncodeUtf8(char32_t value, char* out);

enum class Conversion { Done, Lacking, NoMemory };

// Appends well-formed UTF-8 `utf8` to `out` in the single-byte charset of a
// page: KOI8-R for Koi8R, the ANSI code page for any other. Lacking, with
// nothing appended, when the charset has no byte for one of its characters.
Conversion AppendUtf8InCharset(std::string_view utf8, PageCharset charset, GrowBuffer& out,
                               int32_t step);

// The NUL-terminated text `text` of a page in `charset`, as UTF-8 without
// its terminator: a UTF-8 page's text as it is (where it is well-formed),
// KOI8-R converted, any other as ANSI text. Empty for an empty text, or
// when memory ran out.
GrowBuffer TextToUtf8(const char* text, PageCharset charset);

// The longest start of `text` of at most `limit` bytes that does not end
// inside a UTF-8 sequence. Text in a single-byte code page may lose a letter
// more than it needs to, which is harmless where a cut is marked anyway.
std::string_view Utf8Prefix(std::string_view text, size_t limit);

// The longest end of `text` of at most `limit` bytes that does not begin
// inside a UTF-8 sequence; the same caveat holds.
std::string_view Utf8Suffix(std::string_view text, size_t limit);

// A conversion that goes byte by byte: each input byte becomes one to three
// output bytes, whatever stands around it.
struct ByteMap {
  struct Entry {
    char bytes[3];
    uint8_t length;
  };
  Entry entries[256];
};

// Windows-1251 into KOI8-R, as Cp1251ToKoi8R.
const ByteMap& Cp1251ToKoi8RMap();
// The ANSI code page into UTF-8, as AnsiToUtf8 converts each byte of a
// string. Null where the ANSI code page is not known to take one byte for
// every character: there only whole strings may go through AnsiToUtf8.
const ByteMap* AnsiToUtf8Map();

// What the %XX sequences of a text decoded to.
enum class Decoding {
  Nothing,  // none decodes: the text stays as it stands
  Decoded,  // at least one
  Nul,      // one decodes to a NUL: the text stays as it stands
};

// Writes `text`, which holds no NUL, to `out` (room for as many bytes) with
// its %XX sequences decoded as PercentDecode decodes them, its length to
// `length` and whether it holds a byte from 0x80 up to `nonAscii` (both
// unspecified for Nul).
Decoding PercentDecodeInto(std::string_view text, char* out, size_t& length, bool& nonAscii);

// Appends `bytes` to `out` with each byte put through `map`. False when
// memory ran out.
bool AppendMapped(std::string_view bytes, const ByteMap& map, GrowBuffer& out, int32_t step);

}  // namespace page
