// The MIME of a web archive, the one file in which a browser saves a page
// with its images and style sheets: header fields, a multipart/related body
// split into its parts, and the transfer encodings of a part's body. Pure
// transforms over bytes: nothing here reads or writes a file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "page/grow_buffer.h"

namespace page::mime {

// How a part's body stands for its content. 7bit, 8bit, binary and no
// Content-Transfer-Encoding at all are the body itself.
enum class TransferEncoding { Identity, QuotedPrintable, Base64 };

// One part of the body: its delimiter line, its header fields and its body.
struct Part {
  size_t start = 0;      // where its delimiter line begins
  size_t bodyStart = 0;  // just after the blank line that ends its header fields
  // Where the next delimiter line begins. The line break just before it
  // belongs to that delimiter, not to the content.
  size_t end = 0;
  std::string mediaType;  // of its Content-Type, in lower case ("text/html")
  std::string charset;    // the Content-Type's charset parameter, as written
  TransferEncoding encoding = TransferEncoding::Identity;
};

struct Multipart {
  std::string boundary;
  std::vector<Part> parts;  // at least one
  // Where the closing delimiter line begins; it and whatever follows it
  // (the epilogue) belong to no part.
  size_t closeStart = 0;
};

enum class ReadResult {
  NotWebArchive,  // the bytes do not begin with header fields naming multipart/related
  WebArchive,
  // They do, but the rest cannot be read as its parts: the headers do not
  // end, there is no boundary, no delimiter or no closing one, a part's
  // header fields run into the next delimiter, or a part has a transfer
  // encoding not known here.
  Damaged,
};

// True when `head`, the first bytes of a file, are MIME header fields (a
// folded field included) whose Content-Type is multipart/related. The
// fields need not end within `head`.
bool IsWebArchiveHead(std::string_view head);

// Splits a web archive into its parts. `archive` is filled only for
// WebArchive.
ReadResult ReadWebArchive(std::string_view bytes, Multipart& archive);

// The line break the header fields of `part` end with: "\r\n" or "\n".
std::string_view LineBreakOf(std::string_view bytes, const Part& part);

// Appends the content of `part` of the archive `bytes` to `out`. False when
// the body is not valid in its encoding (a quoted-printable "=" that starts
// no escape or soft line break, a byte base64 does not use, a base64 text
// cut short) or memory ran out (out.RanOutOfMemory() then).
bool DecodeBody(std::string_view bytes, const Part& part, GrowBuffer& out);

// Appends to `out` a body that stands for `content` in the encoding of
// `part`, written as its body was: with its line breaks, base64 in lines of
// the length of its first one, and what followed the last base64 character
// (the line break before the next delimiter) kept. False when memory ran
// out.
bool EncodeBody(std::string_view bytes, const Part& part, std::string_view content,
                GrowBuffer& out);

// The transfer encodings themselves.

// Decodes quoted-printable text: "=XX" (either letter case) is a byte, "="
// before a line break (blanks between allowed) or at the very end is a soft
// break and gives nothing, every other byte is itself. False on any other
// "=".
bool DecodeQuotedPrintable(std::string_view encoded, GrowBuffer& out);

// Encodes `bytes` as quoted-printable in lines of at most 76 characters,
// soft breaks ("=" at a line's end) included. Each `lineBreak` ("\r\n" or
// "\n") in `bytes` is written as a line break; printable ASCII other than
// "=" stands as it is, and so do blanks and tabs but before a line break or
// at the end; every other byte becomes "=XX".
bool EncodeQuotedPrintable(std::string_view bytes, std::string_view lineBreak, GrowBuffer& out);

// Decodes base64, line breaks, blanks and tabs passed by. False on any
// other byte outside the alphabet, on "=" anywhere but in the last group,
// and on a text whose length is not a multiple of four.
bool DecodeBase64(std::string_view encoded, GrowBuffer& out);

// Encodes `bytes` as base64 with "=" padding, in lines of `lineLength`
// characters (0: one line) joined by `lineBreak`, with none after the last.
bool EncodeBase64(std::string_view bytes, size_t lineLength, std::string_view lineBreak,
                  GrowBuffer& out);

}  // namespace page::mime
