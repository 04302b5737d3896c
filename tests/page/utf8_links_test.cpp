// Links as today's browsers write them, UTF-8 escapes, beside the older savers'
// Windows-1251 ones; and why the two are never mistaken for each other.
#include <gtest/gtest.h>

#include <string>

#include "page/charset.h"
#include "page/link_repair.h"

namespace page {
namespace {

std::string Repaired(const std::string& page) {
  GrowBuffer out;
  return RepairLinksInText(page, out) ? std::string(out.View()) : "<nothing>";
}

TEST(RepairLinksInText, ReadsUtf8EscapesAsUtf8AndLeavesALinkThePagesCharsetCannotSpell) {
  const std::string meta = "<head><meta content=\"text/html; charset=";
  const std::string utf8 = meta + "utf-8\"></head>", koi8 = meta + "koi8-r\"></head>";
  const std::string cp1251 = meta + "windows-1251\"></head>";
  // "Во" (Cyrillic), "ō" (a macron), "宝" (Japanese), "№" (in Windows-1251, not in KOI8-R).
  const std::string vo = "%D0%92%D0%BE", o = "%C5%8D", jewel = "%E5%AE%9D", number = "%E2%84%96";
  const struct {
    std::string head;
    std::string link;      // between the quotes
    std::string expected;  // the repaired link
  } cases[] = {
      {utf8, vo + "%20" + o + jewel + "_files/a.gif",
       "\xD0\x92\xD0\xBE \xC5\x8D\xE5\xAE\x9D_files/a.gif"},
      {cp1251, vo + "_files/" + number + ".gif", "\xC2\xEE_files/\xB9.gif"},
      {koi8, vo + "_files/%D0%81.gif", "\xF7\xCF_files/\xB3.gif"},
      // A letter the charset lacks: the link stays, escapes and all, and still leads there.
      {cp1251, vo + o + "_files/a.gif", vo + o + "_files/a.gif"},
      {cp1251, "p_files/" + jewel, "p_files/" + jewel},
      {koi8, vo + "_files/" + number, vo + "_files/" + number},
      // The older savers' Windows-1251 escapes, as ever.
      {utf8, "%C2%EE_files/a.gif", "\xD0\x92\xD0\xBE_files/a.gif"},
      {koi8, "%C2%EE_files/a.gif", "\xF7\xCF_files/a.gif"},
      // UTF-8 bytes of its own with an escaped blank are UTF-8 as a whole, never converted again.
      {utf8, "\xD0\x92\xD0\xBE%20x_files/a.gif", "\xD0\x92\xD0\xBE x_files/a.gif"},
      // Escapes of a longer form, of a surrogate, or cut short are no UTF-8.
      {utf8, "%C0%80_files", "\xD0\x90\xD0\x82_files"},
      {cp1251, "%ED%A0%80_files", "\xED\xA0\x80_files"},
      {cp1251, "%D0_files", "\xD0_files"},
  };
  for (const auto& c : cases) {
    const std::string body = "<img src=\"" + c.link + "\">";
    EXPECT_EQ(Repaired(c.head + body), c.head + "<img src=\"" + c.expected + "\">") << c.link;
  }
}

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
