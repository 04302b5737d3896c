// ExtractTitleInfo on any page text, then the closing rule and the archive
// naming's sanitising of all three fields: every field stays terminated
// within its capacity at every step, the type is one word, and the text each
// field gives a file name is well-formed UTF-8.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "page/charset.h"
#include "page/name_text.h"
#include "page/title_info.h"

namespace {

template <size_t N>
void ExpectTerminated(const char (&field)[N]) {
  if (std::memchr(field, '\0', N) == nullptr) std::abort();
}

void ExpectFieldsTerminated(const page::TitleInfo& info) {
  ExpectTerminated(info.title);
  ExpectTerminated(info.english);
  ExpectTerminated(info.type);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  constexpr page::PageCharset kCharsets[] = {page::PageCharset::Utf8, page::PageCharset::Koi8R,
                                              page::PageCharset::Other};
  const page::PageCharset charset = kCharsets[data[0] % 3];
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  page::TitleInfo info;
  page::ExtractTitleInfo(text.data(), charset, info);
  ExpectFieldsTerminated(info);
  if (std::strchr(info.type, ' ') != nullptr) std::abort();

  page::ApplyClosingRule(info);
  page::SanitizeName(info.title, sizeof info.title);
  page::SanitizeName(info.english, sizeof info.english);
  page::SanitizeName(info.type, sizeof info.type);
  ExpectFieldsTerminated(info);
  for (const char* field : {info.title, info.english, info.type}) {
    if (!page::IsUtf8(page::NameText(field, charset).View())) std::abort();
  }
  return 0;
}
