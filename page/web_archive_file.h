// Whether a file is a web archive, told from its first bytes before the
// page is taken in hand: a web archive keeps the name it was saved under.
#pragma once

#include <optional>

namespace page {

// True when the file at `path` begins as a web archive, false when it does
// not, nothing when it cannot be opened or read.
std::optional<bool> IsWebArchiveFile(const char* path);

}  // namespace page
