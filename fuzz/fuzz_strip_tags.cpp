// StripTags on any text: the result is never longer than the text, holds no
// "<", and a text without "<" comes back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "page/title_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  std::string text = input;
  const size_t length = std::strlen(text.c_str());
  page::StripTags(text.data());
  const size_t stripped = std::strlen(text.c_str());
  if (stripped > length) std::abort();
  if (std::memchr(text.data(), '<', stripped) != nullptr) std::abort();
  if (std::memchr(input.data(), '<', length) == nullptr &&
      std::memcmp(text.data(), input.data(), length + 1) != 0) {
    std::abort();
  }
  return 0;
}
