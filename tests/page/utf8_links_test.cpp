// Why links as today's browsers write them, UTF-8 escapes, are never mistaken for the older
// savers' Windows-1251 ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "page/charset.h"

namespace page {
namespace {

// Windows-1251 Cyrillic letters are 0xC0-0xFF, which UTF-8 has as lead bytes or not at all,
// save Ё and ё (0xA8, 0xB8), the only ones it could take as continuation bytes. So a name in
// Windows-1251 passes for UTF-8 only where nearly every other letter is Ё or ё: every string of
// up to three Cyrillic letters that does has at least as many of them as of the others.
TEST(IsUtf8, AWindows1251CyrillicNamePassesOnlyWhereHalfItsLettersAreYo) {
  std::string letters = "\xA8\xB8";
  for (int byte = 0xC0; byte <= 0xFF; ++byte) letters += static_cast<char>(byte);
  int wellFormed = 0;
  const auto check = [&](const std::string& word) {
    if (!IsUtf8(word)) return;
    ++wellFormed;
    const auto yo = std::count_if(word.begin(), word.end(), [](char c) {
      return c == '\xA8' || c == '\xB8';
    });
    EXPECT_GE(2 * yo, std::ssize(word)) << word;
  };
  for (const char a : letters) {
    check(std::string(1, a));
    for (const char b : letters) {
      check(std::string{a, b});
      for (const char c : letters) check(std::string{a, b, c});
    }
  }
  EXPECT_GT(wellFormed, 0) << "Ё after a capital, as in \"ВЁ\", is UTF-8";
}

}  // namespace
}  // namespace page
