// PercentDecode on any string: it stays inside the string, never lengthens
// it, and reports a change exactly when it made one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "page/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const void* nul = std::memchr(data, 0, size);
  const size_t length = nul ? static_cast<size_t>(static_cast<const uint8_t*>(nul) - data) : size;
  // Exactly the string and its terminator, so that the sanitizer sees any
  // step past either.
  const std::unique_ptr<char[]> text(new char[length + 1]);
  std::memcpy(text.get(), data, length);
  text[length] = '\0';

  const bool decoded = page::PercentDecode(text.get());
  const bool unchanged = std::memcmp(text.get(), data, length) == 0 && text[length] == '\0';
  if (decoded == unchanged) std::abort();
  if (decoded && std::memchr(data, '%', length) == nullptr) std::abort();
  return 0;
}
