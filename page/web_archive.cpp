#include "page/web_archive.h"

#include <new>
#include <optional>

#include "page/charset.h"
#include "page/mime.h"

namespace page {
namespace {

// The part a browser opens: the first text/html one.
const mime::Part* PagePart(const mime::Multipart& archive) {
  for (const mime::Part& part : archive.parts) {
    if (part.mediaType == "text/html") return &part;
  }
  return nullptr;
}

bool IsScript(const mime::Part& part) {
  return part.mediaType == "application/javascript" || part.mediaType == "text/javascript" ||
         part.mediaType == "application/x-javascript";
}

// The archive with `page` in place of the content of its part `pagePart`
// and without its script parts: from each part's delimiter line on to the
// next one, everything else is copied as it stands.
bool Assemble(std::string_view bytes, const mime::Multipart& archive,
              const mime::Part& pagePart, std::string_view page, GrowBuffer& out) {
  const int32_t step = StepForRewriteOf(bytes);
  if (!out.Append(bytes.substr(0, archive.parts.front().start), step)) return false;
  for (const mime::Part& part : archive.parts) {
    if (&part == &pagePart) {
      if (!out.Append(bytes.substr(part.start, part.bodyStart - part.start), step) ||
          !mime::EncodeBody(bytes, part, page, out)) {
        return false;
      }
    } else if (!IsScript(part) &&
               !out.Append(bytes.substr(part.start, part.end - part.start), step)) {
      return false;
    }
  }
  return out.Append(bytes.substr(archive.closeStart), step);
}

size_t ScriptParts(const mime::Multipart& archive) {
  size_t scripts = 0;
  for (const mime::Part& part : archive.parts) scripts += IsScript(part) ? 1 : 0;
  return scripts;
}

enum class ReadBack { Whole, Broken, NoMemory };

// Whether the rewritten archive reads back as `parts` parts whose page is
// `page`. A page whose new text held a line that is a delimiter (its bytes
// were cut and joined, or written unencoded) would break the archive there.
ReadBack ReadsBack(std::string_view rewritten, size_t parts, std::string_view page) {
  mime::Multipart again;
  if (mime::ReadWebArchive(rewritten, again) != mime::ReadResult::WebArchive ||
      again.parts.size() != parts) {
    return ReadBack::Broken;
  }
  const mime::Part* pagePart = PagePart(again);
  GrowBuffer decoded;
  if (pagePart == nullptr || !mime::DecodeBody(rewritten, *pagePart, decoded)) {
    return decoded.RanOutOfMemory() ? ReadBack::NoMemory : ReadBack::Broken;
  }
  return decoded.View() == page ? ReadBack::Whole : ReadBack::Broken;
}

}  // namespace

bool IsWebArchive(std::string_view head) { return mime::IsWebArchiveHead(head); }

bool RewriteWebArchive(std::string_view archive, RewrittenPage& out, TitleInfo& info) {
  info.Clear();
  out.bytes = archive;
  out.form = PageForm::DamagedWebArchive;
  try {
    mime::Multipart parts;
    if (mime::ReadWebArchive(archive, parts) != mime::ReadResult::WebArchive) return true;
    out.form = PageForm::WebArchive;
    const mime::Part* pagePart = PagePart(parts);
    if (pagePart == nullptr) return true;

    GrowBuffer decoded;
    if (!mime::DecodeBody(archive, *pagePart, decoded)) {
      if (decoded.RanOutOfMemory()) return false;
      out.form = PageForm::DamagedWebArchive;
      return true;
    }
    std::optional<PageCharset> declared;
    if (!pagePart->charset.empty()) declared = CharsetNamed(pagePart->charset);
    RewrittenPage page;
    if (!RewriteSavedPage(decoded.View(), false, declared, page, info)) return false;
    if (page.bytes == decoded.View()) return true;
    decoded = GrowBuffer();

    if (!Assemble(archive, parts, *pagePart, page.bytes, out.archive)) {
      info.Clear();
      return false;
    }
    switch (ReadsBack(out.archive.View(), parts.parts.size() - ScriptParts(parts), page.bytes)) {
      case ReadBack::Whole:
        out.bytes = out.archive.View();
        return true;
      case ReadBack::Broken:
        out.form = PageForm::DamagedWebArchive;
        out.archive = GrowBuffer();
        info.Clear();
        return true;
      case ReadBack::NoMemory:
        break;
    }
  } catch (const std::bad_alloc&) {
  }
  info.Clear();
  out.bytes = archive;
  return false;
}

}  // namespace page
