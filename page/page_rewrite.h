// The two rewrites of a catalogue page, as pure transforms over the page's
// bytes. Both see the text up to the page's first NUL, like every page rule,
// and carry the bytes from that NUL to the end of the file over unchanged at
// the end of their output.
#pragma once

#include <string>
#include <string_view>

#include "page/grow_buffer.h"

namespace page {

// The growth step of the relayout buffer.
inline constexpr int32_t kRelayoutStep = 32768;

// Recognises a catalogue page (title marker, body start tag, content anchor)
// and cuts the clutter between the end of the body's start tag and the
// content anchor: `out` becomes bytes [0, G + 1) followed by bytes [A, end),
// G being the body tag's ">" and A the anchor. False, with `out` empty, when
// the page is not recognised or memory runs out: nothing is to be written.
bool FirstRewrite(std::string_view page, std::string& out);

// Lays the information section of a cut page out as a table, drops the vote,
// list, note and action blocks, and gives every tag carrying "alt=" a zero
// border. False when there is nothing to write: no information section, a
// page that has been relaid before, or memory ran out (`out` then holds no
// result).
bool Relayout(std::string_view page, GrowBuffer& out);

}  // namespace page
