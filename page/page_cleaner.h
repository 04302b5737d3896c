// Rewrites one saved catalogue page in place: cuts the clutter, lays the
// information section out as a table, removes the unwanted blocks, and
// deletes the scripts of the page's "_files" folder.
#pragma once

#include "page/title_info.h"

namespace page {

// Cleans the page at `path` and fills `info` with what the page says of its
// work (emptied first; empty when the page is not a catalogue page). The
// scripts of the "_files" folder are deleted in every case.
void CleanPage(const char* path, TitleInfo& info);

}  // namespace page
