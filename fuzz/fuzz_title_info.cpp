// ExtractTitleInfo on any page text, then the closing rule and the archive
// naming's sanitising of all three fields: every field stays terminated
// within its capacity at every step, and the type is one word.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

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
  const bool utf8 = (data[0] & 1) != 0;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  page::TitleInfo info;
  page::ExtractTitleInfo(text.data(), utf8, info);
  ExpectFieldsTerminated(info);
  if (std::strchr(info.type, ' ') != nullptr) std::abort();

  page::ApplyClosingRule(info);
  page::SanitizeName(info.title, sizeof info.title);
  page::SanitizeName(info.english, sizeof info.english);
  page::SanitizeName(info.type, sizeof info.type);
  ExpectFieldsTerminated(info);
  return 0;
}
