#include "page/page_rewrite.h"

#include <array>
#include <cstring>
#include <new>
#include <optional>

#include "page/byte_search.h"
#include "page/charset.h"
#include "page/link_repair.h"
#include "page/title_marker.h"
#include "page/web_archive.h"

namespace page {
namespace {

constexpr Needle kBodyStart = "<body";
// The content anchor: the information section, or only when there is none
// the content block.
constexpr NeedleSet<2> kContentAnchors({"<div class=\"g_section info", "<div class=\"g_content"});

// The information section as the relayout finds it, by either of its names.
constexpr NeedleSet<2> kInfoSections({"g_section info", "g_section anime_info"});
constexpr std::string_view kTableOpen = "<table width=\"100%\"><tr><td valign=\"top\">";
constexpr Needle kDivEnd = "</div>";
constexpr std::string_view kCellOpen = "<td valign=\"top\">";
constexpr std::string_view kNextCell = "</td><td>";
constexpr NeedleSet<2> kDescriptions({"<p class=\"g_description\">", "<p class=\"desc\">"});
constexpr std::string_view kTableClose = "</td></tr></table>";
constexpr Needle kAltAttribute = "alt=";
constexpr std::string_view kZeroBorder = " border=\"0\"";

// The blocks removed, in this order, each at most once, from the current
// position on; each ends at the first closing after its opening.
constexpr NeedleSet<6> kBlockOpenings({
    "<div class=\"g_section vote\">",
    "<div class=\"g_section anime_vote\">",
    "<div class=\"g_definitionlist mylist_add\">",
    "<div class=\"g_definitionlist anime_table\">",
    "<div class=\"g_section g_notebox\">",
    "<ul class=\"g_actionlist\">",
});
static_assert(kBlockOpenings.core.bytes.size() >= 2, "the openings are found in one scan");
constexpr std::array<Needle, 6> kBlockClosings{kDivEnd, kDivEnd, kDivEnd,
                                               kDivEnd, kDivEnd, Needle("</ul>")};

// Appends to the relayout buffer; every append of the relayout goes through
// here so that the first failure ends it.
class RelayoutWriter {
 public:
  RelayoutWriter(std::string_view page, GrowBuffer& out)
      : page_(page), out_(out), step_(StepForRewriteOf(page)) {}

  // Bytes [from, to) of the page.
  bool Run(size_t from, size_t to) { return Literal(page_.substr(from, to - from)); }
  bool Literal(std::string_view bytes) { return out_.Append(bytes, step_); }

 private:
  std::string_view page_;
  GrowBuffer& out_;
  int32_t step_;
};

}  // namespace

namespace {

// What the first rewrite cuts of a catalogue page: the bytes from `keptUpTo`
// (just after the body tag's ">") up to `anchor`.
struct Clutter {
  size_t keptUpTo;
  size_t anchor;
};

// The clutter of a recognised page (title marker, body start tag, content
// anchor); nothing when the page is not one of ours.
std::optional<Clutter> FindClutter(const PageText& page) {
  const std::string_view text = page.text;
  if (FindFrom(text, 0, kTitleMarker) == kNotFound) return std::nullopt;
  const size_t body = FindFrom(text, 0, kBodyStart);
  if (body == kNotFound) return std::nullopt;
  const size_t anchor = FindEither(text, 0, kContentAnchors);
  if (anchor == kNotFound) return std::nullopt;
  const size_t bodyTagEnd = FindFrom(text, body, ">");
  // An anchor before the end of the body's start tag, or a tag that never
  // ends, gives no sound cut: such a page is not one of ours.
  if (bodyTagEnd == kNotFound || anchor < bodyTagEnd + 1) return std::nullopt;
  return Clutter{bodyTagEnd + 1, anchor};
}

// The first rewrite where the page's bytes are the caller's to change: the
// kept head moves up over the clutter to meet the anchor, and the cut page
// is the block from there on. The head, up to the body's start tag, is
// mostly far shorter than the rest, which stays where it is. Gives where
// the cut page begins in the block, or nothing when the page is not one of
// ours. `textLength` is where the page's text ends, before the cut and after it.
std::optional<size_t> CutClutterInPlace(GrowBuffer& page, size_t& textLength) {
  const std::optional<Clutter> clutter = FindClutter(PageText(page.View(), textLength));
  if (!clutter) return std::nullopt;
  const size_t cut = clutter->anchor - clutter->keptUpTo;
  char* const bytes = page.Terminate();
  std::memmove(bytes + cut, bytes, clutter->keptUpTo);
  textLength -= cut;
  return cut;
}

// FirstRewrite of a page whose text's end is known: the cut lies inside the
// text, so the output's text is as much shorter as the cut is long.
bool FirstRewrite(const PageText& page, GrowBuffer& out) {
  const std::optional<Clutter> clutter = FindClutter(page);
  if (!clutter) return false;
  const std::string_view bytes = page.Bytes();
  const std::string_view kept = bytes.substr(0, clutter->keptUpTo);
  // The rest of the file, the bytes after a NUL included, follows the cut.
  const std::string_view rest = bytes.substr(clutter->anchor);
  // One allocation for both runs.
  char* const room = out.AppendRoom(kept.size() + rest.size(), kPageStep);
  if (room == nullptr) return false;
  std::memcpy(room, kept.data(), kept.size());
  std::memcpy(room + kept.size(), rest.data(), rest.size());
  return true;
}

bool Relayout(const PageText& page, GrowBuffer& out) {
  const std::string_view text = page.text;
  RelayoutWriter write(page.Bytes(), out);

  const size_t section = FindEither(text, 0, kInfoSections);
  if (section == kNotFound) return false;
  const size_t sectionTagEnd = FindFrom(text, section, ">");
  if (sectionTagEnd == kNotFound) return false;
  const size_t p = sectionTagEnd + 1;
  // The table opening right after the section's start tag marks a page that
  // has been relaid already; doing it again would nest a second table.
  if (text.substr(p).starts_with(kTableOpen)) return false;

  if (!write.Run(0, p) || !write.Literal(kTableOpen)) return false;

  size_t cur = p;
  const size_t firstDivEnd = FindFrom(text, p, kDivEnd);
  if (firstDivEnd != kNotFound) {
    // The section's heading, up to its first "</div>", has no place in the
    // table and is dropped.
    cur = firstDivEnd + kDivEnd.bytes.size();
    if (!write.Literal(kCellOpen)) return false;

    const size_t secondDivEnd = FindFrom(text, cur, kDivEnd);
    if (secondDivEnd != kNotFound) {
      if (!write.Run(cur, secondDivEnd + kDivEnd.bytes.size()) || !write.Literal(kNextCell)) {
        return false;
      }
      cur = secondDivEnd + kDivEnd.bytes.size();
    }

    const size_t description = FindEither(text, cur, kDescriptions);
    if (description != kNotFound) {
      // The paragraph itself goes below the table, with the rest of the page.
      if (!write.Run(cur, description) || !write.Literal(kTableClose)) return false;
      cur = description;
    }
  }

  // The openings are found in one scan from here; one that a block removed
  // before it has passed is looked for again from the new position.
  const std::array<size_t, 6> openings = FindEach(text, cur, kBlockOpenings);
  for (size_t k = 0; k < openings.size(); ++k) {
    if (openings[k] == kNotFound) continue;
    const size_t opening = openings[k] >= cur
                               ? openings[k]
                               : FindFrom(text, cur, kBlockOpenings.needles[k]);
    if (opening == kNotFound) continue;
    if (!write.Run(cur, opening)) return false;
    const Needle& closing = kBlockClosings[k];
    const size_t closed = FindFrom(text, opening, closing);
    // A block that never closes stays; the later blocks are looked for from
    // its opening on.
    cur = closed == kNotFound ? opening : closed + closing.bytes.size();
  }

  for (size_t alt = FindFrom(text, cur, kAltAttribute); alt != kNotFound;
       alt = FindFrom(text, cur, kAltAttribute)) {
    const size_t tagEnd = FindFrom(text, alt, ">");
    if (tagEnd == kNotFound) break;
    if (!write.Run(cur, tagEnd) || !write.Literal(kZeroBorder)) return false;
    // The ">" is copied with the next run, so a second "alt=" in the same
    // tag adds nothing.
    cur = tagEnd;
  }

  return write.Run(cur, page.Bytes().size());
}

}  // namespace

bool FirstRewrite(std::string_view page, GrowBuffer& out) {
  return FirstRewrite(PageText(page), out);
}

bool Relayout(std::string_view page, GrowBuffer& out) { return Relayout(PageText(page), out); }

bool RewritePage(std::string_view page, bool repairLinks, RewrittenPage& out, TitleInfo& info) {
  if (IsWebArchive(page)) return RewriteWebArchive(page, out, info);
  return RewriteSavedPage(page, repairLinks, std::nullopt, out, info);
}

bool RewriteSavedPage(std::string_view page, bool repairLinks,
                      std::optional<PageCharset> declared, RewrittenPage& out, TitleInfo& info) {
  info.Clear();
  out.bytes = page;
  try {
    // The text's end is found once: each stage keeps the tail after it and
    // knows how long its own text came out.
    const PageText read(page);
    size_t textLength = read.text.size();
    // An empty text has no link to repair, and nothing would be written.
    if (repairLinks && textLength != 0) {
      if (!RepairLinksInText(read, out.repaired)) return false;
      out.bytes = out.repaired.View();
      textLength = out.bytes.size() - read.tail.size();
    }
    // Sniffed on every page, recognised or not, in the bytes the cleaning sees, unless
    // declared outside them.
    const PageCharset charset =
        declared ? *declared : SniffCharset(out.bytes.substr(0, textLength));
    // The repaired page is ours to cut where it stands; the page as read
    // stays whole for the journal. Each stage's buffer goes once the next
    // one has what it needs, so that a page is held three times over at
    // most: as read, and two stages.
    // The cut page is the block of `out.cut` from `cutStart` on.
    size_t cutStart = 0;
    if (out.bytes.data() == out.repaired.View().data() && !out.bytes.empty()) {
      const std::optional<size_t> cut = CutClutterInPlace(out.repaired, textLength);
      if (!cut) return true;
      cutStart = *cut;
      out.cut = std::move(out.repaired);
      out.repaired = GrowBuffer();
    } else if (FirstRewrite(read, out.cut)) {
      textLength = out.cut.View().size() - read.tail.size();
    } else {
      return !out.cut.RanOutOfMemory();
    }
    const std::string_view cutPage = out.cut.View().substr(cutStart);
    if (Relayout(PageText(cutPage, textLength), out.relaid)) {
      out.bytes = out.relaid.View();
      // The relaid page is the result: the cut text is free for the
      // extraction, which writes NULs into its text.
      ExtractTitleInfo(out.cut.Terminate() + cutStart, textLength, charset, info);
      out.cut = GrowBuffer();
      return true;
    }
    if (out.relaid.RanOutOfMemory()) return false;
    out.bytes = cutPage;
    // The cut page itself is the result here, so the extraction works on a
    // copy of its text.
    GrowBuffer text;
    if (!text.Append(out.bytes.substr(0, textLength), kPageStep)) return false;
    if (char* const writable = text.Terminate()) {
      ExtractTitleInfo(writable, textLength, charset, info);
    }
    return true;
  } catch (const std::bad_alloc&) {
    info.Clear();
    return false;
  }
}

}  // namespace page
