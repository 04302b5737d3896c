// The thin file side of the page rewrites: read a page whole, put new
// contents in place without ever leaving the page shorter than its text.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace page {

// The largest page read; pages of 2 GiB or more are never touched, since the
// counts of the rewrites are signed 32-bit.
inline constexpr uint64_t kMaxPageSize = (uint64_t{1} << 31) - 1;

// Reads the whole file into `bytes` (std::string keeps a NUL after them).
// False, with `bytes` empty, when the size cannot be read or is too large,
// memory runs out, or the read fails or comes up short.
bool ReadWholeFile(platform::ExclusiveFile& file, std::string& bytes);

// Writes `replacement` from offset 0 and ends the file after it. When a
// write fails or comes up short, `original` is written back and the file
// keeps its original length, so a page is never cut. True when
// `replacement` is in place.
bool ReplaceFileContents(platform::ExclusiveFile& file, std::string_view replacement,
                         std::string_view original);

}  // namespace page
