// AnsiToUtf8 on any string: the result holds exactly one UTF-8 character
// for each byte of the Windows-1251 input, and no NUL.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "page/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const page::GrowBuffer out = page::AnsiToUtf8(text.c_str());
  if (out.RanOutOfMemory()) std::abort();
  const std::string_view utf8 = out.View();
  const size_t inputLength = std::strlen(text.c_str());
  if (utf8.size() < inputLength || utf8.size() > 3 * inputLength) std::abort();
  if (utf8.find('\0') != std::string_view::npos) std::abort();
  size_t characters = 0;
  for (const char byte : utf8) {
    if (!page::IsUtf8Continuation(byte)) ++characters;
  }
  if (characters != inputLength) std::abort();
  return 0;
}
