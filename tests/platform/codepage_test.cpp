#include "platform/codepage.h"

#include <gtest/gtest.h>

#include <vector>

namespace platform {
namespace {

constexpr unsigned kWindows1251 = 1251;

// Under Wine these run against the system's own tables, which makes them a
// check of the table the POSIX build carries.
class CodePageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(AnsiCodePage(), kWindows1251)
        << "the ANSI code page must be Windows-1251 (under Wine: LC_ALL=ru_RU.UTF-8)";
  }
};

TEST_F(CodePageTest, EveryByteSurvivesTheRoundTripThroughUtf16) {
  for (unsigned byte = 1; byte < 256; ++byte) {
    const char text[2] = {static_cast<char>(byte), '\0'};
    std::vector<char16_t> units;
    ASSERT_TRUE(AnsiToUtf16(text, units)) << "byte " << byte;
    ASSERT_EQ(units.size(), 2u) << "byte " << byte;
    EXPECT_EQ(units[1], 0) << "byte " << byte;
    for (unsigned codePage : {kAnsiCodePageAlias, kWindows1251}) {
      char out = 0;
      bool usedDefault = true;
      ASSERT_TRUE(Utf16UnitToCodePage(codePage, units[0], out, usedDefault)) << "byte " << byte;
      EXPECT_EQ(static_cast<unsigned char>(out), byte) << "byte " << byte << " cp " << codePage;
      EXPECT_FALSE(usedDefault) << "byte " << byte;
    }
  }
}

TEST_F(CodePageTest, BytesMapToTheWindows1251Characters) {
  // Привет, Ёё, №, €, the undefined 0x98, Ґ, the non-breaking space.
  const char text[] = "\xCF\xF0\xE8\xE2\xE5\xF2\xA8\xB8\xB9\x88\x98\xA5\xA0";
  const std::vector<char16_t> expected = {0x041F, 0x0440, 0x0438, 0x0432, 0x0435, 0x0442, 0x0401,
                                          0x0451, 0x2116, 0x20AC, 0x0098, 0x0490, 0x00A0, 0};
  std::vector<char16_t> units;
  ASSERT_TRUE(AnsiToUtf16(text, units));
  EXPECT_EQ(units, expected);

  ASSERT_TRUE(AnsiToUtf16("", units));
  EXPECT_EQ(units, std::vector<char16_t>{0});
}

TEST_F(CodePageTest, MissingCharacterBecomesBlankAndSetsUsedDefault) {
  char out = 'x';
  bool usedDefault = false;
  ASSERT_TRUE(Utf16UnitToCodePage(kAnsiCodePageAlias, u'\u4E2D', out, usedDefault));  // 中
  EXPECT_EQ(out, ' ');
  EXPECT_TRUE(usedDefault);

  ASSERT_TRUE(Utf16UnitToCodePage(kWindows1251, u'A', out, usedDefault));
  EXPECT_EQ(out, 'A');
  EXPECT_FALSE(usedDefault) << "a later successful conversion must clear the flag";
}

TEST_F(CodePageTest, UnknownCodePageFailsAndLeavesTheOutput) {
  char out = 'x';
  bool usedDefault = false;
  EXPECT_FALSE(Utf16UnitToCodePage(12345, u'A', out, usedDefault));
  EXPECT_EQ(out, 'x');
}

}  // namespace
}  // namespace platform
