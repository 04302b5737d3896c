// Tidies one saved page in place: repairs its links when asked, cuts the
// clutter, lays the information section out as a table, removes the unwanted
// blocks, and deletes the scripts of the page's "_files" folder. The page is
// read once and written once, through its journal.
#pragma once

#include "page/page_file.h"
#include "page/page_outcome.h"
#include "page/page_rewrite.h"
#include "page/title_info.h"

namespace page {

// Cleans the page at `path` and fills `info` with what the page says of its
// work (emptied first; empty when the page is not a catalogue page or could
// not be read). The page is held exclusively from its read to its write; a
// journal left by an earlier run that died is settled first. The scripts of
// the "_files" folder are deleted in every case but a web archive's, which
// has no such folder. Returns what became of the page: a page that could not
// be rewritten is never left half-written. `form`, when given, learns what
// the file held (a page when it could not be read).
PageOutcome CleanPage(const char* path, const WriteSettings& settings, TitleInfo& info,
                      PageForm* form = nullptr);

}  // namespace page
