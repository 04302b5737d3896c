// Utf8ToCodePage on any bytes, with the terminator its callers add: the
// output is never longer than the input, ends with that terminator, and
// passes ASCII through without touching the default flag. The first byte
// picks the code page: 1251, its alias, or one that does not exist.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "page/charset.h"
#include "platform/codepage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0 || size > 65536) return 0;
  const unsigned codePages[] = {1251, platform::kAnsiCodePageAlias, 4242};
  const unsigned codePage = codePages[data[0] % 3];
  const size_t count = size;  // the input without the code-page byte, plus its NUL
  const std::unique_ptr<char[]> text(new char[count]);
  std::memcpy(text.get(), data + 1, count - 1);
  text[count - 1] = '\0';

  bool defaultUsed = true;
  const page::GrowBuffer out =
      page::Utf8ToCodePage(std::string_view(text.get(), count), codePage, &defaultUsed);
  const std::string_view converted = out.View();
  if (converted.empty() || converted.size() > count) std::abort();
  if (converted.back() != '\0') std::abort();

  bool ascii = true;
  for (size_t i = 0; i + 1 < count; ++i) {
    ascii = ascii && static_cast<unsigned char>(text[i]) < 0x80;
  }
  if (ascii && (defaultUsed || converted != std::string_view(text.get(), count))) {
    std::abort();
  }
  return 0;
}
