// A folder link of the system's own kind, as a user's saved pages may hold
// one: a symbolic link on POSIX, a junction on Windows.
#pragma once

#include <string>

namespace testsupport {

// Makes `link` lead to the folder `target`. False where the system cannot
// (Wine 8 refuses to make junctions and symbolic links).
bool MakeFolderLink(const std::string& link, const std::string& target);

}  // namespace testsupport
