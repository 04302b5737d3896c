// AnsiToUtf8 on any string: the result ends with its terminator and holds
// exactly one UTF-8 character for each byte of the Windows-1251 input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "page/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const page::HeapBytes out = page::AnsiToUtf8(text.c_str());
  if (!out) std::abort();
  const size_t inputLength = std::strlen(text.c_str());
  const size_t outputLength = std::strlen(out.get());
  if (outputLength < inputLength || outputLength > 3 * inputLength) std::abort();
  size_t characters = 0;
  for (size_t i = 0; i < outputLength; ++i) {
    if ((static_cast<unsigned char>(out.get()[i]) & 0xC0) != 0x80) ++characters;
  }
  if (characters != inputLength) std::abort();
  return 0;
}
