#include "platform/text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "platform/codepage.h"

namespace platform {

using Pair = std::pair<const char*, const char*>;

// Cyrillic as Windows-1251 bytes: the builds differ in execution character set.
TEST(CompareNoCase, FoldsAsciiAndEveryCyrillicPair) {
  // АБЯ/абя, Ё/ё, then Ђ Ѓ Љ Њ Ќ Ћ Џ Ў Ј Ґ Є Ї І Ѕ and their small letters.
  const Pair equal[] = {
      {"Index.HTM", "index.htm"}, {"\xC0\xC1\xDF", "\xE0\xE1\xFF"}, {"\xA8", "\xB8"},
      {"\x80", "\x90"}, {"\x81", "\x83"}, {"\x8A", "\x9A"}, {"\x8C", "\x9C"}, {"\x8D", "\x9D"},
      {"\x8E", "\x9E"}, {"\x8F", "\x9F"}, {"\xA1", "\xA2"}, {"\xA3", "\xBC"}, {"\xA5", "\xB4"},
      {"\xAA", "\xBA"}, {"\xAF", "\xBF"}, {"\xB2", "\xB3"}, {"\xBD", "\xBE"}};
  for (const auto& [a, b] : equal) {
    EXPECT_EQ(CompareNoCase(a, b), 0) << a << " vs " << b;
    EXPECT_EQ(CompareNoCase(b, a), 0) << b << " vs " << a;
  }
  // A prefix is no match; Е is not Ё, quotation marks and brackets have no case, а is not Б.
  for (const auto& [a, b] : {Pair{"abc", "ABCD"}, Pair{"\xC5", "\xB8"}, Pair{"\x82", "\x84"},
                             Pair{"[", "{"}, Pair{"\xE0", "\xC1"}}) {
    EXPECT_NE(CompareNoCase(a, b), 0) << a << " vs " << b;
  }
}

TEST(PathBuffers, RefuseOrCutWhatDoesNotFit) {
  char exact[9] = "abc";  // 8 characters and the NUL
  EXPECT_TRUE(AppendPath(exact, sizeof exact, "defg"));
  EXPECT_EQ(std::string(exact), "abc" + std::string(1, kPathSeparator) + "defg");
  char tight[8] = "abc";
  EXPECT_FALSE(AppendPath(tight, sizeof tight, "defg"));
  EXPECT_STREQ(tight, "abc") << "a refused join leaves the path";
  char copy[4];
  EXPECT_FALSE(CopyText(copy, sizeof copy, "abcd"));
  EXPECT_STREQ(copy, "abc") << "cut at capacity - 1";
}

// Under Wine the system's own table answers: a check of the one the POSIX build carries.
TEST(CodePage, Windows1251RoundTripsEveryByteAndLackingCharactersBecomeBlanks) {
  ASSERT_EQ(AnsiCodePage(), 1251u) << "under Wine: LC_ALL=ru_RU.UTF-8";
  // Привет, Ёё, №, €, the undefined 0x98, Ґ, the no-break space.
  std::vector<char16_t> units;
  ASSERT_TRUE(AnsiToUtf16("\xCF\xF0\xE8\xE2\xE5\xF2\xA8\xB8\xB9\x88\x98\xA5\xA0", units));
  EXPECT_EQ(units, (std::vector<char16_t>{0x041F, 0x0440, 0x0438, 0x0432, 0x0435, 0x0442, 0x0401,
                                          0x0451, 0x2116, 0x20AC, 0x0098, 0x0490, 0x00A0, 0}));
  for (unsigned byte = 1; byte < 256; ++byte) {
    const char text[] = {static_cast<char>(byte), '\0'};
    ASSERT_TRUE(AnsiToUtf16(text, units)) << byte;
    for (unsigned codePage : {kAnsiCodePageAlias, 1251u}) {
      char out = 0;
      bool usedDefault = true;  // a successful conversion must clear it
      ASSERT_TRUE(Utf16UnitToCodePage(codePage, units[0], out, usedDefault)) << byte;
      EXPECT_EQ(static_cast<unsigned char>(out), byte) << byte << " in code page " << codePage;
      EXPECT_FALSE(usedDefault) << byte;
    }
  }
  char out = 'x';
  bool usedDefault = false;
  ASSERT_TRUE(Utf16UnitToCodePage(kAnsiCodePageAlias, u'\u4E2D', out, usedDefault));  // 中
  EXPECT_EQ(out, ' ');
  EXPECT_TRUE(usedDefault);
}

}  // namespace platform
