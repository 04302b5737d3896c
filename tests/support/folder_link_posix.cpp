#include <filesystem>

#include "tests/support/folder_link.h"

namespace testsupport {

bool MakeFolderLink(const std::string& link, const std::string& target) {
  std::error_code error;
  std::filesystem::create_directory_symlink(target, link, error);
  return !error;
}

}  // namespace testsupport
