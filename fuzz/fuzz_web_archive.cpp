// The MIME reading on any bytes: the parts it finds lie in order inside the
// file; a web archive it tidies changes nothing outside its page part but
// for the script parts it leaves out, and its page reads back as the page
// rules make it. The transfer encodings give back every byte they encode,
// quoted-printable in lines of at most 76 characters.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "page/mime.h"
#include "page/page_rewrite.h"
#include "page/web_archive.h"

namespace {

using page::GrowBuffer;
namespace mime = page::mime;

// A property that must hold, named when it does not.
#define Require(holds)                                   \
  do {                                                   \
    if (!(holds)) {                                      \
      std::fprintf(stderr, "does not hold: %s\n", #holds); \
      std::abort();                                      \
    }                                                    \
  } while (false)

std::string_view Whole(std::string_view bytes, const mime::Part& part) {
  return bytes.substr(part.start, part.end - part.start);
}

// The script parts a tidied archive leaves out.
bool IsScript(const mime::Part& part) {
  return part.mediaType == "application/javascript" || part.mediaType == "text/javascript" ||
         part.mediaType == "application/x-javascript";
}

const mime::Part* PagePart(const mime::Multipart& archive) {
  for (const mime::Part& part : archive.parts)
    if (part.mediaType == "text/html") return &part;
  return nullptr;
}

void CheckTidied(std::string_view bytes, const mime::Multipart& before) {
  page::RewrittenPage out;
  page::TitleInfo info;
  if (!page::RewritePage(bytes, false, out, info)) return;
  if (out.form != page::PageForm::WebArchive || out.bytes == bytes) {
    Require(out.bytes == bytes);
    return;
  }
  const std::string_view after = out.bytes;
  mime::Multipart tidied;
  Require(mime::ReadWebArchive(after, tidied) == mime::ReadResult::WebArchive);
  const mime::Part* page = PagePart(before);
  Require(page != nullptr);
  Require(after.substr(0, tidied.parts[0].start) == bytes.substr(0, before.parts[0].start));
  Require(after.substr(tidied.closeStart) == bytes.substr(before.closeStart));
  size_t next = 0;
  for (const mime::Part& part : before.parts) {
    if (IsScript(part)) continue;
    Require(next < tidied.parts.size());
    const mime::Part& now = tidied.parts[next++];
    if (&part != page) {
      Require(Whole(after, now) == Whole(bytes, part));
    } else {
      // Its delimiter line and header fields stay; only its body is new.
      Require(after.substr(now.start, now.bodyStart - now.start) ==
              bytes.substr(part.start, part.bodyStart - part.start));
    }
  }
  Require(next == tidied.parts.size());

  GrowBuffer original, now;
  Require(mime::DecodeBody(bytes, *page, original));
  Require(mime::DecodeBody(after, *PagePart(tidied), now));
  std::optional<page::PageCharset> declared;
  if (!page->charset.empty()) declared = page::CharsetNamed(page->charset);
  page::RewrittenPage rules;
  page::TitleInfo unused;
  if (page::RewriteSavedPage(original.View(), false, declared, rules, unused)) {
    Require(now.View() == rules.bytes);
  }
}

void CheckEncodings(std::string_view bytes) {
  const std::string_view lineBreak = !bytes.empty() && bytes[0] & 1 ? "\r\n" : "\n";
  GrowBuffer quoted, back;
  if (mime::EncodeQuotedPrintable(bytes, lineBreak, quoted)) {
    for (size_t at = 0, end; at <= quoted.View().size(); at = end + lineBreak.size()) {
      end = quoted.View().find(lineBreak, at);
      if (end == std::string_view::npos) end = quoted.View().size();
      Require(end - at <= 76);
    }
    Require(mime::DecodeQuotedPrintable(quoted.View(), back) && back.View() == bytes);
  }
  const size_t lineLength = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]) % 80;
  GrowBuffer base64, decoded;
  if (mime::EncodeBase64(bytes, lineLength, lineBreak, base64)) {
    Require(mime::DecodeBase64(base64.View(), decoded) && decoded.View() == bytes);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  mime::Multipart archive;
  if (mime::ReadWebArchive(bytes, archive) == mime::ReadResult::WebArchive) {
    size_t previous = 0;
    for (const mime::Part& part : archive.parts) {
      Require(previous <= part.start && part.start < part.bodyStart &&
              part.bodyStart <= part.end && part.end <= size);
      previous = part.end;
      GrowBuffer content;
      mime::DecodeBody(bytes, part, content);
    }
    Require(previous == archive.closeStart && archive.closeStart < size);
    CheckTidied(bytes, archive);
  }
  CheckEncodings(bytes);
  return 0;
}
