// The two rewrites of a catalogue page, as pure transforms over the page's
// bytes. Both see the text up to the page's first NUL, like every page rule,
// and carry the bytes from that NUL to the end of the file over unchanged at
// the end of their output, which they build in an empty buffer the caller
// gives.
#pragma once

#include <optional>
#include <string_view>

#include "page/charset.h"
#include "page/grow_buffer.h"
#include "page/title_info.h"

namespace page {

// Recognises a catalogue page (title marker, body start tag, content anchor)
// and cuts the clutter between the end of the body's start tag and the
// content anchor: `out` receives bytes [0, G + 1) followed by bytes
// [A, end), G being the body tag's ">" and A the anchor. False when the page
// is not recognised (nothing is appended: nothing is to be written) or
// memory ran out (`out` holds no result: its RanOutOfMemory() tells this
// case apart).
bool FirstRewrite(std::string_view page, GrowBuffer& out);

// Lays the information section of a cut page out as a table, drops the vote,
// list, note and action blocks, and gives every tag carrying "alt=" a zero
// border. False when there is nothing to write: no information section, a
// page that has been relaid before, or memory ran out (`out` then holds no
// result: its RanOutOfMemory() tells this case apart).
bool Relayout(std::string_view page, GrowBuffer& out);

// What a page file holds.
enum class PageForm {
  Page,               // a page saved as HTML, with its "_files" folder
  WebArchive,         // a web archive: the page and its files in one MIME file
  DamagedWebArchive,  // one that cannot be read as its parts: it keeps every byte
};

// A page's bytes after every rewrite a job makes, and the buffers they stand in.
struct RewrittenPage {
  std::string_view bytes;  // the final page: the given page itself, or bytes of a buffer
  GrowBuffer repaired;     // after the link repair
  GrowBuffer cut;          // after the cut, which may begin further into its block
  GrowBuffer relaid;       // after the relayout
  PageForm form = PageForm::Page;
  GrowBuffer archive;  // a web archive with its page tidied
};

// Everything a job does to a page's bytes, in order, in memory: the link repair when
// `repairLinks` is set, the cut, the title extraction from the cut text into `info`
// (emptied first) and the relayout. A page that is not a catalogue page keeps its bytes,
// its repaired links aside; the bytes after its first NUL are always kept. A web archive
// has the page inside it tidied instead (web_archive.h). False when memory ran out:
// nothing is to be written then, and `info` is empty.
bool RewritePage(std::string_view page, bool repairLinks, RewrittenPage& out, TitleInfo& info);

// RewritePage for a page saved as HTML, whatever its first bytes; with `declared`, the
// charset of its bytes as something outside them declares it, in place of its head's.
bool RewriteSavedPage(std::string_view page, bool repairLinks,
                      std::optional<PageCharset> declared, RewrittenPage& out, TitleInfo& info);

}  // namespace page
