// The charset sniffing, the link repair and both rewrites on any page give
// exactly what the plain rendering of the rules in tests/reference gives,
// with the byte map of the ANSI code page and with whole-name conversions;
// and the search every rule uses finds on it, on both of its paths, what the
// standard search finds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "page/byte_search.h"
#include "page/charset.h"
#include "page/link_repair.h"
#include "page/page_rewrite.h"
#include "tests/reference/rules_reference.h"

namespace {

std::optional<std::string> Given(bool written, std::string_view bytes) {
  return written ? std::optional<std::string>(bytes) : std::nullopt;
}

void ExpectSameAsReference(std::string_view page) {
  const std::string_view text = page.substr(0, page.find('\0'));
  if (page::SniffCharset(text) != reference::SniffCharset(text)) std::abort();

  const page::ByteMap* const conversions[] = {page::AnsiToUtf8Map(), nullptr};
  for (const page::ByteMap* ansiToUtf8 : conversions) {
    page::GrowBuffer repaired;
    const bool wasRepaired = page::RepairLinksInText(page, repaired, ansiToUtf8);
    if (Given(wasRepaired, repaired.View()) != reference::RepairLinks(page)) std::abort();
  }

  page::GrowBuffer cut;
  const bool wasCut = page::FirstRewrite(page, cut);
  if (Given(wasCut, cut.View()) != reference::FirstRewrite(page)) std::abort();

  page::GrowBuffer relaid;
  const bool wasRelaid = page::Relayout(page, relaid);
  if (Given(wasRelaid, relaid.View()) != reference::Relayout(page)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view page(reinterpret_cast<const char*>(data), size);
  ExpectSameAsReference(page);
  for (const std::string_view needle : {"_files", "=\"", "<div class=\"g_section"}) {
    for (size_t from = 0; from <= page.size(); from += 7) {
      const size_t expected = page.find(needle, from);
      for (const page::SearchPath path : {page::SearchPath::Fastest, page::SearchPath::Portable}) {
        if (page::FindFrom(page, from, needle, path) != expected) std::abort();
      }
    }
  }
  return 0;
}
