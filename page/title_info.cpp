#include "page/title_info.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#include "page/byte_search.h"
#include "page/charset.h"
#include "platform/codepage.h"
#include "platform/text.h"

namespace page {
namespace {

constexpr std::string_view kTagEnd = "\">";
constexpr std::string_view kCellEnd = "</td>";

constexpr const char* kNameTrim = " \r\n\t";
constexpr const char* kTypeTrim = " \r\n\t,.;:";
constexpr const char* kSanitizedTrim = " \t";

// SanitizeName builds its result in a scratch string of this many bytes.
constexpr size_t kSanitizeScratch = 4096;

// Chrome and the browsers built on it write this header name into the head of
// every page they save, ahead of the catalogue's own cells.
constexpr std::string_view kHeaderPrefix = "Content-";

// The first occurrence of `label` in `view` that is no part of the header name
// "Content-Type". A label inside any other word still counts, as it always has.
size_t FindLabel(std::string_view view, std::string_view label) {
  size_t at = FindFrom(view, 0, label);
  while (at != kNotFound && view.substr(0, at).ends_with(kHeaderPrefix)) {
    at = FindFrom(view, at + 1, label);
  }
  return at;
}

// Takes the cell of `label`: the text after the first tag end that follows
// the label (searched from `skip` bytes past the label's start) up to the
// next "</td>", whose "<" becomes the NUL that ends the value. Null when the
// label, the tag end or the "</td>" is missing; nothing is cut then. `view`
// is the text up to its first NUL, which earlier cells may have moved up.
char* TakeCell(char* text, std::string_view view, std::string_view label, size_t skip) {
  const size_t labelAt = FindLabel(view, label);
  if (labelAt == kNotFound) return nullptr;
  const size_t tagEnd = FindFrom(view, labelAt + skip, kTagEnd);
  if (tagEnd == kNotFound) return nullptr;
  const size_t valueAt = tagEnd + kTagEnd.size();
  const size_t cellEnd = FindFrom(view, valueAt, kCellEnd);
  if (cellEnd == kNotFound) return nullptr;
  text[cellEnd] = '\0';
  return text + valueAt;
}

template <size_t N>
void CopyInto(char (&field)[N], const char* value) {
  platform::CopyText(field, N, value);
}

// Converts NUL-terminated UTF-8 `value` into the code page `codePage`: a
// NUL-terminated text, or empty when the conversion gives nothing.
GrowBuffer ToCodePage(const char* value, unsigned codePage, bool* defaultUsed) {
  // The terminator is converted with the text, so the result is terminated.
  return Utf8ToCodePage(std::string_view(value, std::strlen(value) + 1), codePage, defaultUsed);
}

bool IsPlainAscii(std::string_view value) {
  for (const char byte : value) {
    if (static_cast<unsigned char>(byte) >= 0x80) return false;
  }
  return true;
}

void TakeType(char* text, size_t length, TitleInfo& info) {
  const char* raw = TakeCell(text, std::string_view(text, length), "Type", 4);
  if (raw == nullptr) return;
  CopyInto(info.type, raw);
  SanitizeName(info.type, sizeof info.type);
  platform::TrimInPlace(info.type, kTypeTrim);
  // Only the first word names the type: "TV Series, 26 episodes" is "TV".
  if (char* blank = std::strchr(info.type, ' ')) {
    *blank = '\0';
    platform::TrimInPlace(info.type, kTypeTrim);
  }
}

void TakeEnglish(char* text, TitleInfo& info) {
  char* value = TakeCell(text, text, "english", 7);
  if (value == nullptr) return;
  // A cell spread over several lines holds the name on its last one.
  if (char* lastLineFeed = std::strrchr(value, '\n')) value = lastLineFeed + 1;
  StripTags(value);
  CopyInto(info.english, value);
  platform::TrimInPlace(info.english, kNameTrim);
}

void TakeSynonym(char* text, TitleInfo& info) {
  // The tag end is looked for from one byte beyond the label.
  char* value = TakeCell(text, text, "Synonym", 8);
  if (value == nullptr) return;
  // Of a list of synonyms only the first counts.
  if (char* comma = std::strchr(value, ',')) *comma = '\0';
  platform::TrimInPlace(value, kNameTrim);
  // A synonym stands in for the English name only where it reads plainly to
  // the user of the ANSI code page, as it always has: every character of it
  // there, or plain ASCII on a page in another charset.
  bool lacking = !IsPlainAscii(value);
  if (info.charset == PageCharset::Utf8) {
    const GrowBuffer converted = ToCodePage(value, platform::kAnsiCodePageAlias, &lacking);
    lacking = lacking || converted.View().empty();
  }
  if (!lacking) CopyInto(info.english, value);
}

void TakeTitle(char* text, TitleInfo& info) {
  const char* raw = TakeCell(text, text, "Title", 5);
  if (raw == nullptr) return;
  CopyInto(info.title, raw);
  // The catalogue writes its own id in parentheses after the name:
  // "Some Name (a123)". Looked at before the trim, so "A (b) " keeps it.
  const size_t length = std::strlen(info.title);
  if (length > 0 && info.title[length - 1] == ')') {
    if (char* open = std::strrchr(info.title, '(')) *open = '\0';
  }
  platform::TrimInPlace(info.title, kNameTrim);
}

}  // namespace

void ExtractTitleInfo(char* text, size_t length, PageCharset charset, TitleInfo& info) {
  info.charset = charset;
  // The order matters: each value taken ends the text where its cell ended,
  // so the later labels are found only before it. The type's cell is taken
  // first, from the whole text; the later ones see what is left of it.
  TakeType(text, length, info);
  TakeEnglish(text, info);
  if (info.english[0] == '\0') TakeSynonym(text, info);
  TakeTitle(text, info);
}

void ExtractTitleInfo(char* text, PageCharset charset, TitleInfo& info) {
  ExtractTitleInfo(text, std::strlen(text), charset, info);
}

void ApplyClosingRule(TitleInfo& info) {
  // On a UTF-8 page the English name is compared in the ANSI code page, with
  // the title as the page writes it, as it always has been, so that no
  // archive is named otherwise than before.
  GrowBuffer ansi;
  const char* english = info.english;
  if (info.charset == PageCharset::Utf8 && info.english[0] != '\0') {
    ansi = ToCodePage(info.english, platform::AnsiCodePage(), nullptr);
    english = ansi.View().empty() ? "" : ansi.View().data();
  }
  if (platform::CompareNoCase(english, info.title) == 0) info.english[0] = '\0';
}

void SanitizeName(char* text, size_t capacity) {
  if (capacity == 0) return;
  std::array<char, kSanitizeScratch> result;
  size_t used = 0;
  // Once the scratch string is full the rest of the input is dropped.
  auto emit = [&](char byte) {
    if (used + 1 >= result.size()) return false;
    result[used++] = byte;
    return true;
  };
  bool room = true;
  for (const char* in = text; *in != '\0' && room; ++in) {
    switch (*in) {
      case '\t':
        break;
      case '\n':
      case '\r':
        // Line breaks become one blank between words, never a leading one.
        if (used > 0 && result[used - 1] != ' ') room = emit(' ');
        break;
      case '"':
        room = emit('\'');
        break;
      case '/':
      case '\\':
      case '|':
      case '*':  // a name that Windows refuses would leave the page unarchived
        room = emit('_');
        break;
      case ':':
        // "Re: Zero" reads "Re - Zero"; the blank after the colon follows.
        if (in[1] == ' ') room = emit(' ');
        room = room && emit('-');
        break;
      case '<':
        room = emit('(');
        break;
      case '>':
        room = emit(')');
        break;
      case '?':
        room = emit('.');
        break;
      default:
        room = emit(*in);
        break;
    }
  }
  // Cut to the field before the trim, so that a cut name never ends in a
  // blank.
  result[std::min(used, capacity - 1)] = '\0';
  platform::TrimInPlace(result.data(), kSanitizedTrim);
  platform::CopyText(text, capacity, result.data());
}

void StripTags(char* text) {
  const std::string_view view(text);
  char* write = text;
  // Appends bytes [from, to) of the text; runs never overtake the reading.
  auto keep = [&](size_t from, size_t to) {
    std::memmove(write, text + from, to - from);
    write += to - from;
  };
  size_t depth = 0;
  size_t read = 0;
  for (size_t bracket = view.find_first_of("<>"); bracket != std::string_view::npos;
       bracket = view.find_first_of("<>", read)) {
    if (depth == 0) keep(read, bracket);
    if (view[bracket] == '<') {
      ++depth;
    } else if (depth > 0) {
      --depth;
    } else {
      keep(bracket, bracket + 1);
    }
    read = bracket + 1;
  }
  // Text after the last bracket stays, even inside a tag that never closed.
  keep(read, view.size());
  *write = '\0';
}

}  // namespace page
