// What velkor-cli wrote to a file or a pipe, as the program's UTF-8 text: on
// Windows it writes there in the ANSI code page, as programs there read it.
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
#include "platform/codepage.h"
#include "platform/utf16.h"
#endif

namespace testsupport {

inline std::string WrittenText(const std::string& bytes) {
#ifdef _WIN32
  std::vector<char16_t> units;
  if (!platform::AnsiToUtf16(bytes.c_str(), units)) return bytes;
  return platform::Utf16ToUtf8(std::u16string_view(units.data(), units.size()));
#else
  return bytes;
#endif
}

}  // namespace testsupport
