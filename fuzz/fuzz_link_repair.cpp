// RepairLinksInText on any page: it writes something exactly when the text
// before the first NUL is not empty, keeps everything from that NUL on at
// the very end, puts no NUL into the text, and leaves a page without
// "_files" as it was.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "page/byte_search.h"
#include "page/link_repair.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const page::PageText page(bytes);
  page::GrowBuffer out;
  const bool repaired = page::RepairLinksInText(bytes, out);
  if (repaired == page.text.empty()) std::abort();
  if (!repaired) return 0;

  const std::string_view result = out.View();
  if (result.size() < page.tail.size()) std::abort();
  const std::string_view text = result.substr(0, result.size() - page.tail.size());
  if (result.substr(text.size()) != page.tail) std::abort();
  if (text.find('\0') != std::string_view::npos) std::abort();
  if (page::FindFrom(page.text, 0, "_files") == page::kNotFound && result != bytes) std::abort();
  return 0;
}
