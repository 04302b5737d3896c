// FirstRewrite on any page: what it writes is the page with one run cut
// out, never longer, ending with everything from the first NUL on; and
// cutting the result again changes nothing while it is still recognised.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "page/byte_search.h"
#include "page/page_rewrite.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  page::GrowBuffer written;
  if (!page::FirstRewrite(page, written)) {
    if (!written.View().empty()) std::abort();
    return 0;
  }
  const std::string_view cut = written.View();
  if (cut.size() > page.size()) std::abort();
  size_t kept = 0;
  while (kept < cut.size() && cut[kept] == page[kept]) ++kept;
  const std::string_view rest = cut.substr(kept);
  if (page.substr(page.size() - rest.size()) != rest) std::abort();
  const std::string_view tail = page::PageText(page).tail;
  if (page::PageText(cut).tail != tail) std::abort();

  page::GrowBuffer again;
  if (page::FirstRewrite(cut, again) && again.View() != cut) std::abort();
  return 0;
}
