// Relayout on any page: what it writes keeps everything from the first NUL
// on, unchanged, at its end; and a page it has relaid, relaid again, gives
// nothing to write (checked where the section is found by its first name,
// which a removed block cannot bring forth earlier in the page).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "page/byte_search.h"
#include "page/page_rewrite.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  page::GrowBuffer out;
  if (!page::Relayout(page, out)) return 0;
  const std::string_view relaid = out.View();
  if (page::PageText(relaid).tail != page::PageText(page).tail) std::abort();

  if (page::FindFrom(page::PageText(page).text, 0, "g_section info") != page::kNotFound) {
    page::GrowBuffer again;
    if (page::Relayout(relaid, again)) std::abort();
  }
  return 0;
}
