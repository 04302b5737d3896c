#include "page/link_repair.h"

#include "page/byte_search.h"
#include "page/charset.h"

namespace page {
namespace {

constexpr Needle kFolderSuffix = "_files";
constexpr int32_t kNameStep = 1024;
// Links up to this long are decoded on the stack; a longer one in a block
// of its own.
constexpr size_t kLocalLink = 512;

// A link's decoding and what its repair needs to know of it.
struct DecodedLink {
  bool decoded = false;  // false: nothing decodes, or a NUL would; the link stays
  std::string_view bytes;
  bool nonAscii = false;
  bool utf8 = false;
};

// Decodes the links of one page. The links of a page name its folder alike,
// escapes and all, so the decoding of a link up to the end of its folder
// suffix is kept, and the next link that begins with the same bytes decodes
// only the rest. The suffix ends in plain letters: no escape and no UTF-8
// character runs across the two parts, so a link decodes, and checks as
// UTF-8, as its two parts do.
class LinkDecoder {
 public:
  // Decodes `link`, whose first `folderEnd` bytes end in the folder suffix;
  // `folderHeld` when StartOfKnownFolder found them to be the part the
  // decoder holds, which is then not compared again. False when memory ran
  // out. `result` lasts until the next call.
  bool Decode(std::string_view link, size_t folderEnd, bool folderHeld, DecodedLink& result) {
    if (link.size() > sizeof bytes_) return DecodeLong(link, result);
    const std::string_view folder = link.substr(0, folderEnd);
    if (!folderHeld && folder != folderRaw_) {
      // The page text outlives the decoder: its bytes can be compared later.
      folderRaw_ = folder;
      folderDecoding_ = PercentDecodeInto(folder, bytes_, folderLength_, folderNonAscii_);
      if (folderDecoding_ != Decoding::Nul) {
        folderUtf8_ = IsUtf8(std::string_view(bytes_, folderLength_));
      }
    }
    result.decoded = false;
    if (folderDecoding_ == Decoding::Nul) return true;
    size_t restLength = 0;
    bool restNonAscii = false;
    const Decoding rest = PercentDecodeInto(link.substr(folderEnd), bytes_ + folderLength_,
                                            restLength, restNonAscii);
    if (rest == Decoding::Nul) return true;
    if (rest == Decoding::Nothing && folderDecoding_ == Decoding::Nothing) return true;
    result.decoded = true;
    const std::string_view restBytes(bytes_ + folderLength_, restLength);
    result.bytes = std::string_view(bytes_, folderLength_ + restLength);
    // A rest in plain ASCII, the usual file name, needs no UTF-8 check.
    result.nonAscii = folderNonAscii_ || restNonAscii;
    result.utf8 = folderUtf8_ && (!restNonAscii || IsUtf8(restBytes));
    return true;
  }

  // Where a link that ends its folder part at `folderEnd` begins, when that
  // part is the one the decoder holds with the quote before it, the quote at
  // or after `copied`: the part holds no quote, so that quote is the last one
  // before the link. kNotFound otherwise.
  size_t StartOfKnownFolder(std::string_view text, size_t copied, size_t folderEnd) const {
    const size_t size = folderRaw_.size();
    if (size == 0 || folderEnd < copied + size + 1) return kNotFound;
    const size_t start = folderEnd - size;
    if (text[start - 1] != '"' || text.substr(start, size) != folderRaw_) return kNotFound;
    return start;
  }

 private:
  bool DecodeLong(std::string_view link, DecodedLink& result) {
    long_ = GrowBuffer();
    char* const room = long_.AppendRoom(link.size(), kNameStep);
    if (room == nullptr) return false;
    size_t length = 0;
    bool nonAscii = false;
    result.decoded = PercentDecodeInto(link, room, length, nonAscii) == Decoding::Decoded;
    result.bytes = std::string_view(room, length);
    result.nonAscii = result.decoded && nonAscii;
    result.utf8 = result.nonAscii && IsUtf8(result.bytes);
    return true;
  }

  std::string_view folderRaw_;
  Decoding folderDecoding_ = Decoding::Nothing;
  size_t folderLength_ = 0;
  bool folderNonAscii_ = false;
  bool folderUtf8_ = false;
  char bytes_[kLocalLink];  // the folder part's decoding, then the rest's
  GrowBuffer long_;
};

// Appends `link`, decoded into `decoding`, to `out` in the page's charset. A
// link with nothing to decode, or one whose decoding would put a NUL into
// the page (%00), is appended as it stands. False when memory ran out.
bool AppendRepairedLink(std::string_view link, const DecodedLink& decoding, PageCharset charset,
                        const ByteMap* ansiToUtf8, GrowBuffer& out, int32_t step) {
  if (!decoding.decoded) return out.Append(link, step);
  const std::string_view decoded = decoding.bytes;

  // Today's browsers escape the UTF-8 of a name; the older savers escaped
  // its bytes in the ANSI code page, and Windows-1251 text is practically
  // never well-formed UTF-8. ASCII reads alike in every charset.
  if (!decoding.nonAscii) return out.Append(decoded, step);
  if (decoding.utf8) {
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

  LinkDecoder decoder;
  DecodedLink decoding;
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
    // A link that names the folder as the one before it did is known to
    // begin with that name. Otherwise the opening quote is looked for only in
    // what has not been copied yet, so the backward scans never cover a byte
    // twice.
    const size_t folderEnd = occurrence + kFolderSuffix.bytes.size();
    size_t linkStart = decoder.StartOfKnownFolder(text, copied, folderEnd);
    const bool folderHeld = linkStart != kNotFound;
    if (!folderHeld) {
      linkStart = copied + FindLastByte(text.substr(copied, occurrence - copied), '"') + 1;
    }
    const std::string_view link = text.substr(linkStart, closing - linkStart);
    if (!out.Append(text.substr(copied, linkStart - copied), step) ||
        !decoder.Decode(link, folderEnd - linkStart, folderHeld, decoding) ||
        !AppendRepairedLink(link, decoding, charset, ansiToUtf8, out, step)) {
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
