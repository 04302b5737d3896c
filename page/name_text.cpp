#include "page/name_text.h"

#include <string_view>

#include "page/byte_search.h"

namespace page {
namespace {

constexpr int32_t kNameStep = 1024;
constexpr char32_t kLastCharacter = 0x10FFFF;

// A character a file name can hold: no control character (C0 or C1), no
// half of a surrogate pair, nothing beyond the last character.
bool NameCanHold(char32_t value) {
  return value >= 0x20 && !(value >= 0x7F && value <= 0x9F) &&
         !(value >= 0xD800 && value <= 0xDFFF) && value <= kLastCharacter;
}

// The references by name that every page writes: those of the characters
// markup uses itself ("Mao &amp; Rin", as every browser and site writes a
// "&" in a title), and the no-break space.
struct NamedReference {
  std::string_view text;
  char32_t value;
};
constexpr NamedReference kNamedReferences[] = {
    {"&amp;", U'&'},   {"&lt;", U'<'},    {"&gt;", U'>'},
    {"&quot;", U'"'}, {"&apos;", U'\''}, {"&nbsp;", 0xA0},
};

// The value of the numeric reference that starts at `at` ("&#" digits ";"
// or "&#x" hex digits ";"), with its length; false when none starts there.
bool ReadNumericReference(std::string_view text, size_t at, char32_t& value, size_t& length) {
  size_t next = at + 2;
  const bool hex = next < text.size() && (text[next] == 'x' || text[next] == 'X');
  if (hex) ++next;
  const size_t digitsStart = next;
  value = 0;
  for (; next < text.size(); ++next) {
    const char c = text[next];
    int digit = -1;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (hex && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (hex && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    }
    if (digit < 0) break;
    // Past the last character the value only has to stay too large.
    if (value <= kLastCharacter) value = value * (hex ? 16 : 10) + static_cast<char32_t>(digit);
  }
  if (next == digitsStart || next == text.size() || text[next] != ';') return false;
  length = next + 1 - at;
  return true;
}

// The value and length of the reference, by number or by name, that starts
// at `at` (a "&"); false when none starts there.
bool ReadReference(std::string_view text, size_t at, char32_t& value, size_t& length) {
  if (text.substr(at, 2) == "&#") return ReadNumericReference(text, at, value, length);
  for (const NamedReference& reference : kNamedReferences) {
    if (text.substr(at, reference.text.size()) == reference.text) {
      value = reference.value;
      length = reference.text.size();
      return true;
    }
  }
  return false;
}

}  // namespace

GrowBuffer NameText(const char* value, PageCharset charset) {
  GrowBuffer utf8 = TextToUtf8(value, charset);
  if (utf8.RanOutOfMemory()) return utf8;
  const std::string_view text = utf8.View();
  GrowBuffer out;
  size_t copied = 0;
  for (size_t at = FindFrom(text, 0, "&"); at != kNotFound; at = FindFrom(text, at, "&")) {
    char32_t character = 0;
    size_t length = 0;
    if (!ReadReference(text, at, character, length) || !NameCanHold(character)) {
      ++at;
      continue;
    }
    char encoded[4];
    if (!out.Append(text.substr(copied, at - copied), kNameStep) ||
        !out.Append(std::string_view(encoded, EncodeUtf8(character, encoded)), kNameStep)) {
      return out;
    }
    at += length;
    copied = at;
  }
  out.Append(text.substr(copied), kNameStep);
  return out;
}

}  // namespace page
