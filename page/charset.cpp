#include "page/charset.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <vector>

#include "page/byte_search.h"
#include "platform/codepage.h"

namespace page {
namespace {

constexpr int32_t kUtf8ToCodePageStep = 32768;
constexpr int32_t kAnsiToUtf8Step = 4096;

// The KOI8-R codes of а..я in Windows-1251 (and Unicode) order; capitals lie
// 0x20 above in both code pages.
constexpr unsigned char kKoi8RSmall[32] = {
    0xC1, 0xC2, 0xD7, 0xC7, 0xC4, 0xC5, 0xD6, 0xDA, 0xC9, 0xCA, 0xCB, 0xCC, 0xCD, 0xCE, 0xCF, 0xD0,
    0xD2, 0xD3, 0xD4, 0xD5, 0xC6, 0xC8, 0xC3, 0xDE, 0xDB, 0xDD, 0xDF, 0xD9, 0xD8, 0xDC, 0xC0, 0xD1};

// Windows-1251 byte -> KOI8-R byte. Bytes 0x80-0xBF pass through except for
// the few characters both code pages hold, and 0xA6 and 0xAC, which KOI8-R
// lacks but which have always been given those two codes.
constexpr std::array<unsigned char, 256> MakeKoi8RTable() {
  std::array<unsigned char, 256> table{};
  for (int b = 0; b < 256; ++b) table[b] = static_cast<unsigned char>(b);
  table[0xA0] = 0x9A;  // no-break space
  table[0xA6] = 0xBB;
  table[0xA8] = 0xB3;  // Ё
  table[0xA9] = 0xBF;  // ©
  table[0xAC] = 0xA8;
  table[0xB0] = 0x9C;  // °
  table[0xB7] = 0x9E;  // middle dot
  table[0xB8] = 0xA3;  // ё
  for (int i = 0; i < 32; ++i) {
    table[0xE0 + i] = kKoi8RSmall[i];
    table[0xC0 + i] = static_cast<unsigned char>(kKoi8RSmall[i] + 0x20);
  }
  return table;
}

constexpr std::array<unsigned char, 256> kCp1251ToKoi8R = MakeKoi8RTable();

// The characters of the KOI8-R bytes 0x80-0xFF: box drawing and a few signs
// below the letters, Ё and ё among them.
constexpr std::array<char16_t, 128> MakeKoi8RUpperHalf() {
  std::array<char16_t, 128> half = {
      0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524,  // 0x80
      0x252C, 0x2534, 0x253C, 0x2580, 0x2584, 0x2588, 0x258C, 0x2590,  // 0x88
      0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248,  // 0x90
      0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7,  // 0x98
      0x2550, 0x2551, 0x2552, 0x0451, 0x2553, 0x2554, 0x2555, 0x2556,  // 0xA0
      0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E,  // 0xA8
      0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565,  // 0xB0
      0x2566, 0x2567, 0x2568, 0x2569, 0x256A, 0x256B, 0x256C, 0x00A9,  // 0xB8
  };
  for (int i = 0; i < 32; ++i) {
    half[kKoi8RSmall[i] - 0x80] = static_cast<char16_t>(0x0430 + i);
    half[kKoi8RSmall[i] + 0x20 - 0x80] = static_cast<char16_t>(0x0410 + i);
  }
  return half;
}

constexpr std::array<char16_t, 128> kKoi8RUpperHalf = MakeKoi8RUpperHalf();

// Value of each byte as a capital hexadecimal digit, or -1. Lower-case a-f
// do not count: Firefox writes capitals, and "%2f" has always been left
// alone.
constexpr std::array<int8_t, 256> kHexValues = [] {
  std::array<int8_t, 256> values{};
  values.fill(-1);
  for (int digit = 0; digit < 10; ++digit) values['0' + digit] = static_cast<int8_t>(digit);
  for (int digit = 0; digit < 6; ++digit) values['A' + digit] = static_cast<int8_t>(10 + digit);
  return values;
}();

int HexValue(char c) { return kHexValues[static_cast<unsigned char>(c)]; }

// Escapes of the bytes that mean something in a link stay as they are: a
// saver escapes "#", "?" and "%" in a file's name because a bare "#" would
// begin a fragment, a "?" a query, and a "%" before two hex digits an escape
// of its own, and the link would lead elsewhere.
bool KeepsItsEscape(int byte) { return byte == '#' || byte == '?' || byte == '%'; }

// The ANSI code pages that Windows converts one byte to one character, with
// no byte depending on its neighbours (no lead bytes, no composition).
bool IsPlainSingleByteCodePage(unsigned codePage) {
  switch (codePage) {
    case 874:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1256:
    case 1257:
      return true;
    default:
      return false;
  }
}

ByteMap MakeByteMap(const std::array<unsigned char, 256>& table) {
  ByteMap map{};
  for (size_t b = 0; b < 256; ++b) map.entries[b] = {{static_cast<char>(table[b])}, 1};
  return map;
}

// The UTF-8 of every byte, taken from AnsiToUtf8 itself so that the two can
// never disagree. False when a byte does not give one character.
bool FillAnsiToUtf8Map(ByteMap& map) {
  map.entries[0] = {{}, 0};
  for (int b = 1; b < 256; ++b) {
    const char single[2] = {static_cast<char>(b), '\0'};
    const GrowBuffer utf8 = AnsiToUtf8(single);
    const size_t length = utf8.View().size();
    if (length == 0 || length > 3) return false;
    ByteMap::Entry& entry = map.entries[b];
    std::memcpy(entry.bytes, utf8.View().data(), length);
    entry.length = static_cast<uint8_t>(length);
  }
  return true;
}

// The number of continuation bytes that a UTF-8 lead byte announces, or -1
// for a byte that cannot begin a character.
int SequenceTail(unsigned char lead) {
  if (lead < 0x80) return 0;
  if (lead < 0xC2) return -1;
  if (lead < 0xE0) return 1;
  if (lead < 0xF0) return 2;
  if (lead < 0xF5) return 3;
  return -1;
}

// The character at `at` of well-formed UTF-8 `text`; `at` moves past it.
char32_t TakeCodePoint(std::string_view text, size_t& at) {
  const auto lead = static_cast<unsigned char>(text[at++]);
  const int tail = SequenceTail(lead);
  char32_t value = tail == 0 ? lead : lead & (0x3Fu >> tail);
  for (int k = 0; k < tail; ++k) value = (value << 6) | (text[at++] & 0x3F);
  return value;
}

// The byte that stands for `value` in a page of `charset` (KOI8-R, or the
// ANSI code page for any page not in KOI8-R); false when there is none.
// Never a look-alike: a link written with one would lead to another file.
bool CharsetByte(char32_t value, PageCharset charset, char& byte) {
  if (value < 0x80) {
    byte = static_cast<char>(value);
    return true;
  }
  if (value > 0xFFFF) return false;
  if (charset == PageCharset::Koi8R) {
    const auto found = std::find(kKoi8RUpperHalf.begin(), kKoi8RUpperHalf.end(), value);
    if (found == kKoi8RUpperHalf.end()) return false;
    byte = static_cast<char>(0x80 + (found - kKoi8RUpperHalf.begin()));
    return true;
  }
  bool usedDefault = false;
  return platform::Utf16UnitToCodePage(platform::kAnsiCodePageAlias, static_cast<char16_t>(value),
                                       byte, usedDefault) &&
         !usedDefault;
}

// One UTF-16 unit as one byte of `codePage`; '?' when the platform cannot
// convert it at all.
char UnitToByte(unsigned codePage, char16_t unit, bool* defaultUsed) {
  char out = '?';
  bool usedDefault = false;
  if (platform::Utf16UnitToCodePage(codePage, unit, out, usedDefault) && defaultUsed != nullptr &&
      usedDefault) {
    *defaultUsed = true;
  }
  return out;
}

}  // namespace

bool EqualsAsciiNoCase(std::string_view value, std::string_view lowerLiteral) {
  if (value.size() != lowerLiteral.size()) return false;
  for (size_t i = 0; i < value.size(); ++i) {
    char c = value[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != lowerLiteral[i]) return false;
  }
  return true;
}

PageCharset SniffCharset(std::string_view text) {
  const size_t word = FindFrom(text, 0, "charset");
  if (word == kNotFound) return PageCharset::Other;
  const size_t headEnd = FindFrom(text, 0, "</head>");
  if (headEnd == kNotFound || word >= headEnd) return PageCharset::Other;
  // The value's bounds are looked for to the end of the text, not only in
  // the head: a declaration that runs past "</head>" still counts.
  const size_t equals = FindFrom(text, word, "=");
  if (equals == kNotFound) return PageCharset::Other;
  const size_t end = text.find_first_of("\";", equals + 1);
  if (end == std::string_view::npos) return PageCharset::Other;
  const std::string_view value = text.substr(equals + 1, end - equals - 1);
  // Pages written since HTML5 declare charset="utf-8": a quote that opens
  // the value holds it up to the closing quote. Read as an empty value, it
  // would take a UTF-8 page, saved as the site sent it, for an ANSI one.
  if (text[end] == '"' && value.find_first_not_of(" \t") == std::string_view::npos) {
    const size_t close = text.find('"', end + 1);
    if (close == std::string_view::npos) return PageCharset::Other;
    return CharsetNamed(text.substr(end + 1, close - end - 1));
  }
  return CharsetNamed(value);
}

PageCharset CharsetNamed(std::string_view name) {
  const size_t first = name.find_first_not_of(" \t");
  if (first == std::string_view::npos) return PageCharset::Other;
  name = name.substr(first, name.find_last_not_of(" \t") - first + 1);
  if (EqualsAsciiNoCase(name, "utf-8")) return PageCharset::Utf8;
  if (EqualsAsciiNoCase(name, "koi8-r")) return PageCharset::Koi8R;
  return PageCharset::Other;
}

bool PercentDecode(char* text) {
  bool decoded = false;
  const char* read = text;
  char* write = text;
  while (*read != '\0') {
    // The second digit is looked at only after the first proved to be one,
    // so a string ending in "%" or "%4" is never read past its NUL.
    const int high = read[0] == '%' ? HexValue(read[1]) : -1;
    const int low = high >= 0 ? HexValue(read[2]) : -1;
    if (low >= 0 && !KeepsItsEscape(high * 16 + low)) {
      *write++ = static_cast<char>(high * 16 + low);
      read += 3;
      decoded = true;
    } else {
      *write++ = *read++;
    }
  }
  *write = '\0';
  return decoded;
}

void Cp1251ToKoi8R(char* text) {
  for (; *text != '\0'; ++text) {
    *text = static_cast<char>(kCp1251ToKoi8R[static_cast<unsigned char>(*text)]);
  }
}

GrowBuffer Utf8ToCodePage(std::string_view text, unsigned codePage, bool* defaultUsed) {
  if (defaultUsed != nullptr) *defaultUsed = false;
  GrowBuffer out;
  const size_t count = text.size();
  size_t i = 0;
  while (i < count) {
    const auto b = static_cast<unsigned char>(text[i]);
    char produced = 0;
    size_t advance = 1;
    bool append = true;
    if (b < 0x80 || i + 1 == count) {
      // A lone last byte passes through as it is: callers count the NUL in
      // and expect it back.
      produced = static_cast<char>(b);
    } else if (b >= 0xC0 && b <= 0xDF && IsUtf8Continuation(text[i + 1])) {
      const auto unit = static_cast<char16_t>(((b & 0x1F) << 6) | (text[i + 1] & 0x3F));
      produced = UnitToByte(codePage, unit, defaultUsed);
      advance = 2;
    } else if (b >= 0xE0 && count - i > 2 && IsUtf8Continuation(text[i + 1]) &&
               IsUtf8Continuation(text[i + 2])) {
      // Four-byte leads are read as three-byte ones; the fourth byte is then
      // dropped as a stray continuation byte.
      const auto unit = static_cast<char16_t>(((b & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) |
                                              (text[i + 2] & 0x3F));
      produced = UnitToByte(codePage, unit, defaultUsed);
      advance = 3;
    } else {
      // A broken sequence loses only its first byte; what follows is read
      // afresh.
      append = false;
    }
    if (append && !out.Append(std::string_view(&produced, 1), kUtf8ToCodePageStep)) return out;
    i += advance;
  }
  return out;
}

const ByteMap& Cp1251ToKoi8RMap() {
  static const ByteMap map = MakeByteMap(kCp1251ToKoi8R);
  return map;
}

const ByteMap* AnsiToUtf8Map() {
  // Built once: the ANSI code page does not change while the program runs.
  static const std::unique_ptr<const ByteMap> map = []() -> std::unique_ptr<const ByteMap> {
    if (!IsPlainSingleByteCodePage(platform::AnsiCodePage())) return nullptr;
    auto built = std::make_unique<ByteMap>();
    if (!FillAnsiToUtf8Map(*built)) return nullptr;
    return built;
  }();
  return map.get();
}

Decoding PercentDecodeInto(std::string_view text, char* out, size_t& length, bool& nonAscii) {
  const char* read = text.data();
  const char* const end = read + text.size();
  char* write = out;
  Decoding decoding = Decoding::Nothing;
  // Every byte written, or-ed together: the top bits tell a non-ASCII byte
  // without a second pass.
  uint64_t written = 0;
  constexpr uint64_t kOnes = 0x0101010101010101;
  constexpr uint64_t kTops = 0x8080808080808080;
  constexpr uint64_t kPercents = kOnes * '%';
  while (read < end) {
    // Eight bytes without a "%", most of a link, are copied as they stand:
    // a word with no byte equal to "%" has no zero byte once xor-ed with
    // eight of them.
    if (end - read >= 8) {
      uint64_t word;
      std::memcpy(&word, read, sizeof word);
      const uint64_t percents = word ^ kPercents;
      if (((percents - kOnes) & ~percents & kTops) == 0) {
        std::memcpy(write, &word, sizeof word);
        written |= word;
        read += sizeof word;
        write += sizeof word;
        continue;
      }
    }
    char byte = *read++;
    // Both digits must lie inside the text: past its end stands the NUL.
    if (byte == '%' && end - read >= 2) {
      const int high = HexValue(read[0]);
      const int low = high >= 0 ? HexValue(read[1]) : -1;
      if (low >= 0 && !KeepsItsEscape(high * 16 + low)) {
        byte = static_cast<char>(high * 16 + low);
        // A decoded NUL would end the text there.
        if (byte == '\0') return Decoding::Nul;
        decoding = Decoding::Decoded;
        read += 2;
      }
    }
    written |= static_cast<unsigned char>(byte);
    *write++ = byte;
  }
  length = static_cast<size_t>(write - out);
  nonAscii = (written & kTops) != 0;
  return decoding;
}

bool AppendMapped(std::string_view bytes, const ByteMap& map, GrowBuffer& out, int32_t step) {
  // Built in a local chunk that is appended whole, like AnsiToUtf8 does.
  char chunk[1024];
  size_t filled = 0;
  for (const char byte : bytes) {
    if (filled > sizeof chunk - sizeof(ByteMap::Entry)) {
      if (!out.Append(std::string_view(chunk, filled), step)) return false;
      filled = 0;
    }
    // The entry is copied whole, its length byte too; the next one
    // overwrites what lies past its bytes.
    const ByteMap::Entry& entry = map.entries[static_cast<unsigned char>(byte)];
    std::memcpy(chunk + filled, &entry, sizeof entry);
    filled += entry.length;
  }
  return out.Append(std::string_view(chunk, filled), step);
}

GrowBuffer AnsiToUtf8(const char* text) {
  GrowBuffer out;
  std::vector<char16_t> units;
  if (!platform::AnsiToUtf16(text, units) || units.empty()) return out;
  // Units are encoded into a local chunk that is appended whole: one append
  // per unit would cost more than the encoding itself.
  char chunk[3 * 256];
  size_t filled = 0;
  for (const char16_t u : units) {
    if (filled > sizeof(chunk) - 3) {
      if (!out.Append(std::string_view(chunk, filled), kAnsiToUtf8Step)) return out;
      filled = 0;
    }
    // Surrogates are encoded one by one, never joined into four bytes.
    filled += EncodeUtf8(u, chunk + filled);
  }
  // The terminator is converted with the rest, so that the block holds the
  // text terminated; it stays behind the used bytes, in the spare byte.
  if (out.Append(std::string_view(chunk, filled), kAnsiToUtf8Step)) {
    out.CutTo(out.View().size() - 1);
  }
  return out;
}

size_t EncodeUtf8(char32_t value, char* out) {
  if (value < 0x80) {
    out[0] = static_cast<char>(value);
    return 1;
  }
  if (value < 0x800) {
    out[0] = static_cast<char>(0xC0 | (value >> 6));
    out[1] = static_cast<char>(0x80 | (value & 0x3F));
    return 2;
  }
  if (value < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (value >> 12));
    out[1] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (value & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (value >> 18));
  out[1] = static_cast<char>(0x80 | ((value >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (value & 0x3F));
  return 4;
}

bool IsUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) continue;
    const int tail = SequenceTail(lead);
    if (tail < 0 || static_cast<size_t>(tail) >= text.size() - i) return false;
    // The second byte's range also shuts out the longer forms of shorter
    // values, the surrogates and what lies beyond U+10FFFF.
    const auto second = static_cast<unsigned char>(text[i + 1]);
    const unsigned char least = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned char most = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (second < least || second > most) return false;
    for (int k = 2; k <= tail; ++k) {
      if (!IsUtf8Continuation(text[i + k])) return false;
    }
    i += static_cast<size_t>(tail);
  }
  return true;
}

Conversion AppendUtf8InCharset(std::string_view utf8, PageCharset charset, GrowBuffer& out,
                               int32_t step) {
  const size_t before = out.View().size();
  for (size_t at = 0; at < utf8.size();) {
    char byte = 0;
    if (!CharsetByte(TakeCodePoint(utf8, at), charset, byte)) {
      out.CutTo(before);
      return Conversion::Lacking;
    }
    if (!out.Append(std::string_view(&byte, 1), step)) return Conversion::NoMemory;
  }
  return Conversion::Done;
}

GrowBuffer TextToUtf8(const char* text, PageCharset charset) {
  const std::string_view view(text);
  GrowBuffer out;
  if (charset == PageCharset::Utf8 && IsUtf8(view)) {
    out.Append(view, kAnsiToUtf8Step);
  } else if (charset == PageCharset::Koi8R) {
    // Every KOI8-R byte is a character of its own.
    for (const char byte : view) {
      const auto b = static_cast<unsigned char>(byte);
      char encoded[4];
      const size_t length = EncodeUtf8(b < 0x80 ? b : kKoi8RUpperHalf[b - 0x80], encoded);
      if (!out.Append(std::string_view(encoded, length), kAnsiToUtf8Step)) break;
    }
  } else {
    // Any other page is in the ANSI code page; so is a UTF-8 page's value
    // that is no UTF-8, written in the code page of the pages of its day.
    return AnsiToUtf8(text);
  }
  return out;
}

std::string_view Utf8Prefix(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t end = limit;
  while (end > 0 && IsUtf8Continuation(text[end])) --end;
  return text.substr(0, end);
}

std::string_view Utf8Suffix(std::string_view text, size_t limit) {
  if (text.size() <= limit) return text;
  size_t start = text.size() - limit;
  while (start < text.size() && IsUtf8Continuation(text[start])) ++start;
  return text.substr(start);
}

}  // namespace page
