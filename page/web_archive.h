// A web archive: the one MIME file (.mhtml, .mht) in which a browser saves a
// page with its images, style sheets and scripts. The page inside it is
// tidied by the rules of a page saved with its "_files" folder; everything
// else in the archive stays as it was, but its scripts.
#pragma once

#include <string_view>

#include "page/page_rewrite.h"
#include "page/title_info.h"

namespace page {

// True when `head`, a file's first bytes, are those of a web archive: MIME
// header fields whose Content-Type is multipart/related, whatever the file
// is named.
bool IsWebArchive(std::string_view head);

// Tidies the page in `archive`, a web archive by its head: its first
// text/html part is decoded, rewritten as RewriteSavedPage rewrites a page
// (with no link repair, since the parts are named by their addresses on the
// site, and in the charset its Content-Type declares, else its head), and
// encoded again as it came, in the same header fields and boundaries. The
// script parts are left out, as the scripts of a "_files" folder are
// deleted; every other part stays byte for byte. An archive whose page is
// not a catalogue page, or is tidy already, keeps every byte. `out.form` is
// WebArchive, or DamagedWebArchive for one that cannot be read as its parts
// (or whose new page would not read back whole): that one keeps every byte
// and `info` stays empty. False when memory ran out.
bool RewriteWebArchive(std::string_view archive, RewrittenPage& out, TitleInfo& info);

}  // namespace page
