#include "tests/reference/rules_reference.h"

#include <algorithm>
#include <string>

#include "page/title_marker.h"

namespace reference {
namespace {

constexpr size_t npos = std::string_view::npos;

// The text every rule sees: the bytes before the first NUL.
std::string_view TextOf(std::string_view page) { return page.substr(0, page.find('\0')); }

bool EqualsNoCase(std::string_view value, std::string_view lower) {
  return std::ranges::equal(value, lower, [](char c, char l) {
    return (c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c) == l;
  });
}

// The first `first` from `from` on; only when there is none, the first `second`.
size_t FindEither(std::string_view text, size_t from, std::string_view first,
                  std::string_view second) {
  const size_t found = text.find(first, from);
  return found != npos ? found : text.find(second, from);
}

// A link as the rules write it: decoded in a NUL-terminated copy of its
// own, then put into the page's charset. A link that would decode to a NUL
// is written as it stands, and so is one with nothing to decode. Decoded
// bytes that are UTF-8 with a character beyond ASCII are a UTF-8 name: the
// link stands as it was when the page's charset lacks one of its letters.
std::string RepairedLink(std::string_view link, page::PageCharset charset) {
  if (link.find("%00") != npos) return std::string(link);
  std::string copy(link);
  if (!page::PercentDecode(copy.data())) return std::string(link);
  copy.resize(std::string_view(copy.c_str()).size());
  if (page::IsUtf8(copy) && std::ranges::any_of(copy, [](char c) { return c & 0x80; })) {
    if (charset == page::PageCharset::Utf8) return copy;
    page::GrowBuffer converted;
    const page::Conversion conversion = page::AppendUtf8InCharset(copy, charset, converted, 64);
    return conversion == page::Conversion::Done ? std::string(converted.View()) : std::string(link);
  }
  if (charset == page::PageCharset::Koi8R) page::Cp1251ToKoi8R(copy.data());
  if (charset == page::PageCharset::Utf8) {
    const page::GrowBuffer utf8 = page::AnsiToUtf8(copy.c_str());
    if (!utf8.View().empty()) return std::string(utf8.View());
  }
  return copy;
}

}  // namespace

page::PageCharset SniffCharset(std::string_view text) {
  const size_t word = text.find("charset");
  const size_t headEnd = text.find("</head>");
  if (word == npos || headEnd == npos || word >= headEnd) return page::PageCharset::Other;
  const size_t equals = text.find('=', word);
  if (equals == npos) return page::PageCharset::Other;
  size_t end = equals + 1;
  while (end < text.size() && text[end] != '"' && text[end] != ';') ++end;
  if (end == text.size()) return page::PageCharset::Other;
  std::string_view value = text.substr(equals + 1, end - equals - 1);
  if (text[end] == '"' && value.find_first_not_of(" \t") == npos) {  // charset="..."
    const size_t close = text.find('"', end + 1);
    if (close == npos) return page::PageCharset::Other;
    value = text.substr(end + 1, close - end - 1);
  }
  while (!value.empty() && (value.front() == ' ' || value.front() == '\t')) value.remove_prefix(1);
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (EqualsNoCase(value, "utf-8")) return page::PageCharset::Utf8;
  if (EqualsNoCase(value, "koi8-r")) return page::PageCharset::Koi8R;
  return page::PageCharset::Other;
}

std::optional<std::string> RepairLinks(std::string_view page) {
  const std::string_view text = TextOf(page);
  if (text.empty()) return std::nullopt;
  const page::PageCharset charset = SniffCharset(text);
  std::string out;
  size_t copied = 0;
  size_t occurrence = text.find("_files");
  while (occurrence != npos) {
    const size_t opening = occurrence == 0 ? npos : text.rfind('"', occurrence - 1);
    if (opening == npos) {
      // No quote before it: no link, and the search goes on after it.
      occurrence = text.find("_files", occurrence + 6);
      continue;
    }
    const size_t closing = text.find('"', occurrence + 6);
    if (closing == npos) break;
    out.append(text.substr(copied, opening + 1 - copied));
    out.append(RepairedLink(text.substr(opening + 1, closing - opening - 1), charset));
    copied = closing;
    occurrence = text.find("_files", closing);
  }
  out.append(page.substr(copied));
  return out;
}

std::optional<std::string> FirstRewrite(std::string_view page) {
  const std::string_view text = TextOf(page);
  if (text.find(page::kTitleMarker) == npos) return std::nullopt;
  const size_t body = text.find("<body");
  if (body == npos) return std::nullopt;
  const size_t anchor =
      FindEither(text, 0, "<div class=\"g_section info", "<div class=\"g_content");
  if (anchor == npos) return std::nullopt;
  const size_t bodyEnd = text.find('>', body);
  if (bodyEnd == npos || anchor < bodyEnd + 1) return std::nullopt;
  return std::string(page.substr(0, bodyEnd + 1)) + std::string(page.substr(anchor));
}

std::optional<std::string> Relayout(std::string_view page) {
  const std::string_view text = TextOf(page);
  const std::string_view divEnd = "</div>";
  const std::string_view table = "<table width=\"100%\"><tr><td valign=\"top\">";
  const size_t section = FindEither(text, 0, "g_section info", "g_section anime_info");
  if (section == npos) return std::nullopt;
  const size_t tagEnd = text.find('>', section);
  if (tagEnd == npos) return std::nullopt;
  const size_t p = tagEnd + 1;
  if (text.substr(p, table.size()) == table) return std::nullopt;

  std::string out(text.substr(0, p));
  out += table;
  size_t cur = p;
  const size_t e = text.find(divEnd, p);
  if (e != npos) {
    cur = e + divEnd.size();
    out += "<td valign=\"top\">";
    const size_t f = text.find(divEnd, cur);
    if (f != npos) {
      out.append(text.substr(cur, f + divEnd.size() - cur));
      out += "</td><td>";
      cur = f + divEnd.size();
    }
    const size_t d = FindEither(text, cur, "<p class=\"g_description\">", "<p class=\"desc\">");
    if (d != npos) {
      out.append(text.substr(cur, d - cur));
      out += "</td></tr></table>";
      cur = d;
    }
  }

  const std::string_view blocks[][2] = {
      {"<div class=\"g_section vote\">", divEnd},
      {"<div class=\"g_section anime_vote\">", divEnd},
      {"<div class=\"g_definitionlist mylist_add\">", divEnd},
      {"<div class=\"g_definitionlist anime_table\">", divEnd},
      {"<div class=\"g_section g_notebox\">", divEnd},
      {"<ul class=\"g_actionlist\">", "</ul>"},
  };
  for (const auto& [opening, closing] : blocks) {
    const size_t s = text.find(opening, cur);
    if (s == npos) continue;
    out.append(text.substr(cur, s - cur));
    const size_t z = text.find(closing, s);
    cur = z == npos ? s : z + closing.size();
  }

  for (size_t alt = text.find("alt=", cur); alt != npos; alt = text.find("alt=", cur)) {
    const size_t t = text.find('>', alt);
    if (t == npos) break;
    out.append(text.substr(cur, t - cur));
    out += " border=\"0\"";
    cur = t;
  }
  out.append(page.substr(cur));
  return out;
}

}  // namespace reference
