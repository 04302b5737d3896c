// SanitizeName on any text in a buffer of any capacity that holds it: the
// result fits the capacity and the 4095-byte scratch, holds none of the
// bytes a file name cannot have, and has no blank or tab at either end.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "page/title_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte widens the buffer beyond the text, so that both the
  // capacity cut and the scratch cut are reached.
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  const size_t length = std::min(input.size(), input.find('\0'));
  const size_t capacity = length + 1 + data[0] * 16u;
  // Exactly `capacity` bytes, so that the sanitizer sees any write past them.
  const std::unique_ptr<char[]> buffer(new char[capacity]);
  std::memcpy(buffer.get(), input.data(), length);
  buffer[length] = '\0';

  page::SanitizeName(buffer.get(), capacity);
  const std::string_view result(buffer.get(), std::strlen(buffer.get()));
  if (result.size() >= capacity || result.size() > 4095) std::abort();
  if (result.find_first_of("\t\n\r\"/\\:<>?|*") != std::string_view::npos) std::abort();
  if (!result.empty() && (result.front() == ' ' || result.front() == '\t' ||
                          result.back() == ' ' || result.back() == '\t')) {
    std::abort();
  }
  return 0;
}
