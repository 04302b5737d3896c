#include "page/mime.h"

#include <array>
#include <cstring>

#include "page/byte_search.h"
#include "page/charset.h"

namespace page::mime {
namespace {

constexpr std::string_view kBlanks = " \t\r\n";  // folding turns line breaks into blanks
constexpr size_t kQuotedPrintableLine = 76;

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

// A byte that may stand in a field's name: printable ASCII but the colon.
bool IsNameByte(char c) { return c > ' ' && c < 127 && c != ':'; }

// The header fields at the start of `bytes` that Velkor reads: their values
// with their folding left in.
struct HeaderBlock {
  std::string_view contentType;
  std::string_view transferEncoding;
  bool anyField = false;
  bool ended = false;  // by a blank line, at `end`
  size_t end = 0;      // just after that blank line
};

// Reads header fields from `from` up to `limit`: lines "Name: value", each
// folded on over lines that begin with a blank or a tab, up to a blank line.
// It stops, not ended, at a line that is neither, or at `limit`.
HeaderBlock ReadHeaders(std::string_view bytes, size_t from, size_t limit) {
  HeaderBlock block;
  std::string_view* folding = nullptr;  // the value that continuation lines extend
  size_t valueStart = 0;
  for (size_t at = from; at < limit;) {
    // The line's kind is told from its first bytes, before its end is
    // looked for: a page that is no archive is passed by at once.
    const char first = bytes[at];
    size_t colon = at;
    if (first == ' ' || first == '\t') {
      if (!block.anyField) return block;
    } else if (first != '\r' && first != '\n') {
      while (colon < limit && IsNameByte(bytes[colon])) ++colon;
      if (colon == at || colon == limit || bytes[colon] != ':') return block;
    }
    const size_t newline = bytes.substr(0, limit).find('\n', at);
    const size_t next = newline == std::string_view::npos ? limit : newline + 1;
    size_t textEnd = newline == std::string_view::npos ? limit : newline;
    if (textEnd > at && bytes[textEnd - 1] == '\r') --textEnd;
    if (textEnd == at) {
      // A blank line ends the fields; a lone "\r" at the limit does not.
      block.ended = newline != std::string_view::npos;
      block.end = next;
      return block;
    }
    if (first == '\r' || first == '\n') return block;  // "\r" and more: no field
    if (first == ' ' || first == '\t') {
      if (folding != nullptr) *folding = bytes.substr(valueStart, textEnd - valueStart);
    } else {
      block.anyField = true;
      const std::string_view name = bytes.substr(at, colon - at);
      folding = EqualsAsciiNoCase(name, "content-type")                ? &block.contentType
                : EqualsAsciiNoCase(name, "content-transfer-encoding") ? &block.transferEncoding
                                                                  : nullptr;
      // The first of two fields of one name counts.
      if (folding != nullptr && !folding->empty()) folding = nullptr;
      valueStart = colon + 1;
      if (folding != nullptr) *folding = bytes.substr(valueStart, textEnd - valueStart);
    }
    at = next;
  }
  return block;
}

std::string LowerCase(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = Lower(c);
  return lower;
}

std::string MediaType(std::string_view contentType) {
  return LowerCase(Trim(contentType.substr(0, contentType.find(';'))));
}

// The value of the parameter `name` (in lower case) of a field's value:
// "; name=value" or "; name="value"", a backslash in quotes taking the byte
// after it as it is. Empty when there is none.
std::string Parameter(std::string_view value, std::string_view name) {
  size_t at = value.find(';');
  while (at != std::string_view::npos) {
    const size_t equals = value.find_first_of(";=", at + 1);
    if (equals == std::string_view::npos) return {};
    if (value[equals] == ';') {  // a parameter without a value
      at = equals;
      continue;
    }
    const bool wanted = EqualsAsciiNoCase(Trim(value.substr(at + 1, equals - at - 1)), name);
    size_t pos = value.find_first_not_of(kBlanks, equals + 1);
    if (pos == std::string_view::npos) return {};
    std::string parameter;
    if (value[pos] == '"') {
      for (++pos; pos < value.size() && value[pos] != '"'; ++pos) {
        if (value[pos] == '\\' && pos + 1 < value.size()) ++pos;
        parameter += value[pos];
      }
    } else {
      const size_t end = value.find_first_of("; \t\r\n", pos);
      parameter = value.substr(pos, end == std::string_view::npos ? end : end - pos);
      pos = end == std::string_view::npos ? value.size() : end;
    }
    if (wanted) return parameter;
    at = value.find(';', pos);
  }
  return {};
}

bool EncodingNamed(std::string_view value, TransferEncoding& encoding) {
  const std::string name = LowerCase(Trim(value));
  if (name.empty() || name == "7bit" || name == "8bit" || name == "binary") {
    encoding = TransferEncoding::Identity;
  } else if (name == "quoted-printable") {
    encoding = TransferEncoding::QuotedPrintable;
  } else if (name == "base64") {
    encoding = TransferEncoding::Base64;
  } else {
    return false;
  }
  return true;
}

struct DelimiterLine {
  size_t start = kNotFound;
  size_t next = 0;  // the line after it
  bool close = false;
};

// The first delimiter line at or after `from`: a line that begins with
// "--" and the boundary, "--" after that for the closing one, and holds
// nothing else but blanks and tabs.
DelimiterLine NextDelimiter(std::string_view bytes, size_t from, const Needle& dashBoundary) {
  for (size_t at = FindFrom(bytes, from, dashBoundary); at != kNotFound;
       at = FindFrom(bytes, at + 1, dashBoundary)) {
    if (at != 0 && bytes[at - 1] != '\n') continue;
    DelimiterLine line{at, 0, false};
    size_t pos = at + dashBoundary.bytes.size();
    if (bytes.substr(pos, 2) == "--") {
      line.close = true;
      pos += 2;
    }
    while (pos < bytes.size() && (bytes[pos] == ' ' || bytes[pos] == '\t')) ++pos;
    const std::string_view rest = bytes.substr(pos);
    if (rest.empty() || rest[0] == '\n' || rest.starts_with("\r\n")) {
      line.next = rest.empty() ? pos : pos + (rest[0] == '\n' ? 1 : 2);
      return line;
    }
  }
  return {};
}

// A part's body without the line break that belongs to the next delimiter.
std::string_view ContentOf(std::string_view body) {
  if (body.ends_with("\r\n")) return body.substr(0, body.size() - 2);
  if (body.ends_with('\n')) return body.substr(0, body.size() - 1);
  return body;
}

std::string_view BodyOf(std::string_view bytes, const Part& part) {
  return bytes.substr(part.bodyStart, part.end - part.bodyStart);
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Each byte's value as a hexadecimal digit of either case, or -1.
constexpr std::array<int8_t, 256> kHexValues = [] {
  std::array<int8_t, 256> values{};
  values.fill(-1);
  for (int i = 0; i < 16; ++i) {
    values[static_cast<unsigned char>(kHexDigits[i])] = static_cast<int8_t>(i);
    values[static_cast<unsigned char>(Lower(kHexDigits[i]))] = static_cast<int8_t>(i);
  }
  return values;
}();

int HexValue(char c) { return kHexValues[static_cast<unsigned char>(c)]; }

constexpr char kBase64Alphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Each byte's value in base64; -1 for bytes passed by, -2 for bytes it
// does not use.
constexpr std::array<int8_t, 256> kBase64Values = [] {
  std::array<int8_t, 256> values{};
  values.fill(-2);
  for (int i = 0; i < 64; ++i) values[static_cast<unsigned char>(kBase64Alphabet[i])] = int8_t(i);
  for (const char c : {' ', '\t', '\r', '\n'}) values[static_cast<unsigned char>(c)] = -1;
  return values;
}();

}  // namespace

bool IsWebArchiveHead(std::string_view head) {
  const HeaderBlock block = ReadHeaders(head, 0, head.size());
  return block.anyField && MediaType(block.contentType) == "multipart/related";
}

ReadResult ReadWebArchive(std::string_view bytes, Multipart& archive) {
  const HeaderBlock top = ReadHeaders(bytes, 0, bytes.size());
  if (!top.anyField || MediaType(top.contentType) != "multipart/related") {
    return ReadResult::NotWebArchive;
  }
  if (!top.ended) return ReadResult::Damaged;
  std::string boundary = Parameter(top.contentType, "boundary");
  if (boundary.empty()) return ReadResult::Damaged;
  const std::string dashBoundaryBytes = "--" + boundary;
  const Needle dashBoundary(dashBoundaryBytes);

  Multipart read;
  read.boundary = std::move(boundary);
  DelimiterLine line = NextDelimiter(bytes, top.end, dashBoundary);
  if (line.start == kNotFound || line.close) return ReadResult::Damaged;
  for (;;) {
    const DelimiterLine next = NextDelimiter(bytes, line.next, dashBoundary);
    if (next.start == kNotFound) return ReadResult::Damaged;
    const HeaderBlock fields = ReadHeaders(bytes, line.next, next.start);
    if (!fields.ended) return ReadResult::Damaged;
    Part part{line.start, fields.end, next.start, MediaType(fields.contentType),
              Parameter(fields.contentType, "charset"), TransferEncoding::Identity};
    if (!EncodingNamed(fields.transferEncoding, part.encoding)) return ReadResult::Damaged;
    read.parts.push_back(std::move(part));
    if (next.close) {
      read.closeStart = next.start;
      archive = std::move(read);
      return ReadResult::WebArchive;
    }
    line = next;
  }
}

std::string_view LineBreakOf(std::string_view bytes, const Part& part) {
  return part.bodyStart >= 2 && bytes[part.bodyStart - 2] == '\r' ? "\r\n" : "\n";
}

bool DecodeBody(std::string_view bytes, const Part& part, GrowBuffer& out) {
  const std::string_view body = BodyOf(bytes, part);
  switch (part.encoding) {
    case TransferEncoding::QuotedPrintable:
      return DecodeQuotedPrintable(ContentOf(body), out);
    case TransferEncoding::Base64:
      return DecodeBase64(body, out);
    case TransferEncoding::Identity:
      break;
  }
  return out.Append(ContentOf(body), StepForRewriteOf(body));
}

bool EncodeBody(std::string_view bytes, const Part& part, std::string_view content,
                GrowBuffer& out) {
  const std::string_view body = BodyOf(bytes, part);
  const int32_t step = StepForRewriteOf(body);
  if (part.encoding == TransferEncoding::Base64) {
    const size_t last = body.find_last_not_of(kBlanks);
    const size_t firstBreak = body.find_first_of("\r\n");
    // Lines as long as the first one when the text had more than one.
    const bool lines = last != std::string_view::npos && firstBreak != std::string_view::npos &&
                       firstBreak > 0 && firstBreak < last;
    const std::string_view lineBreak =
        lines ? (body.substr(firstBreak).starts_with("\r\n") ? "\r\n" : "\n")
              : LineBreakOf(bytes, part);
    return EncodeBase64(content, lines ? firstBreak : 0, lineBreak, out) &&
           out.Append(last == std::string_view::npos ? body : body.substr(last + 1), step);
  }
  const std::string_view lineBreak = body.substr(ContentOf(body).size());
  if (part.encoding == TransferEncoding::QuotedPrintable) {
    if (!EncodeQuotedPrintable(content, LineBreakOf(bytes, part), out)) return false;
  } else if (!out.Append(content, step)) {
    return false;
  }
  return out.Append(lineBreak, step);
}

bool DecodeQuotedPrintable(std::string_view encoded, GrowBuffer& out) {
  if (encoded.empty()) return true;
  // The content is never longer than its encoding: one block, cut to size.
  char* const room = out.AppendRoom(encoded.size(), StepForRewriteOf(encoded));
  if (room == nullptr) return false;
  char* write = room;
  for (size_t at = 0; at < encoded.size();) {
    const char c = encoded[at];
    if (c != '=') {
      *write++ = c;
      ++at;
      continue;
    }
    const int high = at + 2 < encoded.size() ? HexValue(encoded[at + 1]) : -1;
    const int low = high >= 0 ? HexValue(encoded[at + 2]) : -1;
    if (low >= 0) {
      *write++ = static_cast<char>(high * 16 + low);
      at += 3;
      continue;
    }
    // A soft line break: "=", perhaps blanks a writer left, the line break.
    size_t pos = encoded.find_first_not_of(" \t", at + 1);
    if (pos == std::string_view::npos) break;
    if (encoded[pos] == '\r' && pos + 1 < encoded.size() && encoded[pos + 1] == '\n') ++pos;
    if (encoded[pos] != '\n') return false;
    at = pos + 1;
  }
  out.CutTo(out.View().size() - (encoded.size() - static_cast<size_t>(write - room)));
  return true;
}

bool EncodeQuotedPrintable(std::string_view bytes, std::string_view lineBreak, GrowBuffer& out) {
  const int32_t step = StepForRewriteOf(bytes);
  // One encoded line at a time, "=" and the line break included.
  char line[kQuotedPrintableLine + 3];
  size_t length = 0;
  const auto endLine = [&](std::string_view ending) {
    if (!ending.empty()) std::memcpy(line + length, ending.data(), ending.size());
    const bool appended = out.Append({line, length + ending.size()}, step);
    length = 0;
    return appended;
  };
  // Whether the text's line break begins at `at`; "\r\n" or "\n".
  const auto breakAt = [&](size_t at) {
    return bytes[at] == lineBreak[0] &&
           (lineBreak.size() == 1 || (at + 1 < bytes.size() && bytes[at + 1] == lineBreak[1]));
  };
  for (size_t at = 0; at < bytes.size();) {
    if (breakAt(at)) {
      if (!endLine(lineBreak)) return false;
      at += lineBreak.size();
      continue;
    }
    const char c = bytes[at];
    const bool blankAtLineEnd =
        (c == ' ' || c == '\t') && (at + 1 == bytes.size() || breakAt(at + 1));
    const bool literal = ((c > ' ' && c < 127 && c != '=') || c == ' ' || c == '\t') &&
                         !blankAtLineEnd;
    const size_t width = literal ? 1 : 3;
    // A soft break leaves room for its "=" within the 76 characters.
    if (length + width > kQuotedPrintableLine - 1) {
      line[length++] = '=';
      if (!endLine(lineBreak)) return false;
    }
    if (literal) {
      line[length++] = c;
    } else {
      const auto byte = static_cast<unsigned char>(c);
      line[length++] = '=';
      line[length++] = kHexDigits[byte >> 4];
      line[length++] = kHexDigits[byte & 0xF];
    }
    ++at;
  }
  return length == 0 || endLine({});
}

bool DecodeBase64(std::string_view encoded, GrowBuffer& out) {
  if (encoded.empty()) return true;
  // At most three bytes for every four characters.
  char* const room = out.AppendRoom(encoded.size() / 4 * 3 + 3, StepForRewriteOf(encoded));
  if (room == nullptr) return false;
  size_t written = 0, group = 0, padding = 0;
  uint32_t bits = 0;
  for (const char c : encoded) {
    const int value = kBase64Values[static_cast<unsigned char>(c)];
    if (value == -1) continue;
    if (c == '=') {
      // Only the last one or two characters of a group pad it.
      if (group < 2) return false;
      ++padding;
    } else if (value < 0 || padding > 0) {
      return false;
    } else {
      bits = bits << 6 | static_cast<uint32_t>(value);
    }
    if (++group < 4) continue;
    bits <<= 6 * padding;
    const char decoded[3] = {static_cast<char>(bits >> 16), static_cast<char>(bits >> 8),
                             static_cast<char>(bits)};
    std::memcpy(room + written, decoded, 3 - padding);
    written += 3 - padding;
    group = 0;
    bits = 0;
    if (padding > 0) padding = 4;  // nothing but blanks may follow
  }
  if (group != 0) return false;
  out.CutTo(out.View().size() - (encoded.size() / 4 * 3 + 3 - written));
  return true;
}

bool EncodeBase64(std::string_view bytes, size_t lineLength, std::string_view lineBreak,
                  GrowBuffer& out) {
  const size_t characters = (bytes.size() + 2) / 3 * 4;
  const size_t lines = lineLength == 0 || characters == 0 ? 1 : (characters - 1) / lineLength + 1;
  const size_t size = characters + (lines - 1) * lineBreak.size();
  if (size == 0) return true;
  char* room = out.AppendRoom(size, StepForRewriteOf(bytes));
  if (room == nullptr) return false;
  size_t inLine = 0;
  const auto put = [&](char c) {
    if (lineLength != 0 && inLine == lineLength) {
      std::memcpy(room, lineBreak.data(), lineBreak.size());
      room += lineBreak.size();
      inLine = 0;
    }
    *room++ = c;
    ++inLine;
  };
  for (size_t at = 0; at < bytes.size(); at += 3) {
    const size_t count = bytes.size() - at < 3 ? bytes.size() - at : 3;
    uint32_t bits = 0;
    for (size_t k = 0; k < 3; ++k) {
      bits = bits << 8 | (k < count ? static_cast<unsigned char>(bytes[at + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      put(k <= count ? kBase64Alphabet[(bits >> (18 - 6 * k)) & 0x3F] : '=');
    }
  }
  return true;
}

}  // namespace page::mime
