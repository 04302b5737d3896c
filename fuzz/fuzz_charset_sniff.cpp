// SniffCharset on any page: it must never read past the text, and it can
// only name a charset when "charset" stands before "</head>".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "page/byte_search.h"
#include "page/charset.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const page::PageText page(std::string_view(reinterpret_cast<const char*>(data), size));
  const page::PageCharset charset = page::SniffCharset(page.text);
  if (charset != page::PageCharset::Other) {
    const size_t word = page::FindFrom(page.text, 0, "charset");
    const size_t headEnd = page::FindFrom(page.text, 0, "</head>");
    if (word == page::kNotFound || headEnd == page::kNotFound || word > headEnd) std::abort();
  }
  return 0;
}
