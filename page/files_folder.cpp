#include "page/files_folder.h"

#include "platform/text.h"

namespace page {

std::string FilesFolder(const char* pagePath, BareNameFolder bareName) {
  const char* extension = platform::FindExtension(pagePath);
  std::string folder(pagePath, extension);
  if (*extension != '\0' || bareName == BareNameFolder::StemAndSuffix) folder += "_files";
  return folder;
}

}  // namespace page
