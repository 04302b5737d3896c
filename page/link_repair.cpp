#include "page/link_repair.h"

#include "page/byte_search.h"
#include "page/charset.h"

namespace page {
namespace {

constexpr Needle kFolderSuffix = "_files";
constexpr int32_t kNameStep = 1024;

// Appends `link` to `out` decoded, in the page's charset. A link with
// nothing to decode, or one whose decoding would put a NUL into the page
// (%00), is appended as it stands. False when memory ran out.
bool AppendRepairedLink(std::string_view link, PageCharset charset, const ByteMap* ansiToUtf8,
                        GrowBuffer& out, int32_t step) {
  // Decoded on the stack for a link of usual length.
  char local[512];
  GrowBuffer spill;
  char* const room =
      link.size() <= sizeof local ? local : spill.AppendRoom(link.size(), kNameStep);
  if (room == nullptr) return false;
  size_t length = 0;
  if (!PercentDecodeInto(link, room, length)) return out.Append(link, step);
  const std::string_view decoded(room, length);

  // Today's browsers escape the UTF-8 of a name; the older savers escaped
  // its bytes in the ANSI code page, and Windows-1251 text is practically
  // never well-formed UTF-8. ASCII reads alike in every charset.
  if (!HasNonAscii(decoded)) return out.Append(decoded, step);
  if (IsUtf8(decoded)) {
    if (charset == PageCharset::Utf8) return out.Append(decoded, step);
    const Conversion conversion = AppendUtf8InCharset(decoded, charset, out, step);
    // A name the page's charset cannot spell keeps its escapes, which every
    // browser still follows to the file.
    if (conversion == Conversion::Lacking) return out.Append(link, step);
    return conversion == Conversion::Done;
  }
  // ANSI bytes stand as they are on a page in the ANSI code page; for the
  // other charsets they are put into the page's charset on the way.
  if (charset == PageCharset::Other) return out.Append(decoded, step);
  const ByteMap* map = charset == PageCharset::Koi8R ? &Cp1251ToKoi8RMap() : ansiToUtf8;
  if (map != nullptr) return AppendMapped(decoded, *map, out, step);

  // An ANSI code page of more than one byte per character: the decoded
  // name is converted as a whole.
  GrowBuffer whole;
  if (!whole.Append(decoded, kNameStep)) return false;
  const GrowBuffer utf8 = AnsiToUtf8(whole.Terminate());
  if (!utf8.View().empty()) return out.Append(utf8.View(), step);
  // Memory that ran out is no failed conversion: the page would be written
  // with a name in the wrong charset.
  if (utf8.RanOutOfMemory()) return false;
  // Without a conversion the ANSI bytes are still better than the escapes.
  return out.Append(decoded, step);
}

}  // namespace

bool RepairLinksInText(const PageText& page, GrowBuffer& out, const ByteMap* ansiToUtf8) {
  const std::string_view text = page.text;
  if (text.empty()) return false;
  const PageCharset charset = SniffCharset(text);
  const int32_t step = StepForRewriteOf(page.Bytes());

  size_t copied = 0;
  // An occurrence before the first double quote has no link and stays as it
  // is; every later one has a quote before it, at the latest the closing
  // quote of the link before.
  const size_t firstQuote = FindFrom(text, 0, "\"");
  size_t occurrence =
      firstQuote == kNotFound ? kNotFound : FindFrom(text, firstQuote + 1, kFolderSuffix);
  while (occurrence != kNotFound) {
    const size_t closing = FindFrom(text, occurrence + kFolderSuffix.bytes.size(), "\"");
    // No quote after it: neither this occurrence nor any later one has a
    // link, and the rest of the page is carried over as it is.
    if (closing == kNotFound) break;
    // The opening quote is looked for only in what has not been copied yet,
    // so the backward scans never cover a byte twice.
    const size_t linkStart =
        copied + FindLastByte(text.substr(copied, occurrence - copied), '"') + 1;
    if (!out.Append(text.substr(copied, linkStart - copied), step) ||
        !AppendRepairedLink(text.substr(linkStart, closing - linkStart), charset, ansiToUtf8,
                            out, step)) {
      return false;
    }
    // The closing quote starts the next copied run, and the search resumes
    // there, so a link that holds the suffix twice is repaired once.
    copied = closing;
    occurrence = FindFrom(text, closing, kFolderSuffix);
  }
  // The last run goes to the end of the file: whatever follows a NUL is kept.
  return out.Append(page.Bytes().substr(copied), step);
}

}  // namespace page
