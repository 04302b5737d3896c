#include "page/title_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace page {
namespace {

// Cyrillic is written as bytes: Windows-1251 where a value is ANSI text,
// UTF-8 where a page declares UTF-8.

TitleInfo Extract(std::string text, bool utf8) {
  TitleInfo info;
  ExtractTitleInfo(text.data(), utf8, info);
  return info;
}

struct ExtractCase {
  const char* what;
  const char* text;
  bool utf8;
  const char* title;
  const char* english;
  const char* type;
};

const char kRows[] =
    "<tr><th>Main Title</th><td class=\"value\">Hoshi no Minato (a1234)</td></tr>\n"
    "<tr><th>Official</th><td class=\"value\"><span title=\"english\">\n"
    "\t<b>Starlight Harbor</b></span></td></tr>\n"
    "<tr><th>Type</th><td class=\"value\">TV Series, 26 episodes</td></tr>\n";

TEST(ExtractTitleInfo, TakesEachFieldFromItsCell) {
  const ExtractCase cases[] = {
      {"a page without labels", "<p>nothing here</p>", false, "", "", ""},
      {"the usual rows", kRows, false, "Hoshi no Minato", "Starlight Harbor", "TV"},
      {"type is its first word", "<td>Type</td><td x=\"v\">Aa Bb, 12 cc</td>", false, "", "",
       "Aa"},
      {"type loses its punctuation", "<td>Type</td><td x=\"v\">Dd, 1 ee</td>", false, "", "",
       "Dd"},
      {"type is sanitised before the cut", "<td>Type</td><td x=\"v\">\nOVA: 2</td>", false, "",
       "", "OVA"},
      {"a label inside a longer word counts first",
       "<i class=\"SubType\">Bad</td><th>Type</th><td x=\"v\">TV</td>", false, "", "", "Bad"},
      {"a label without a tag end gives nothing", "Type</td> Title</td>", false, "", "", ""},
      {"a label without a cell end gives nothing", "<th>Type</th><td x=\"v\">TV", false, "", "",
       ""},
      {"later labels are found only before the last value taken",
       "<th>Type</th><td x=\"v\">TV</td><th>Title</th><td x=\"v\">Late</td>", false, "", "",
       "TV"},
      {"english keeps the last line of its cell, stripped",
       "<i x=\"english\">x\n<b>Name</b></td>", false, "", "Name", ""},
      {"english is trimmed", "<i x=\"english\"> \tName\r</td>", false, "", "Name", ""},
      {"the first synonym stands in for a missing english name",
       "<th>Synonym</th><td x=\"v\"> Name A, Name B</td>", false, "", "Name A", ""},
      {"the first synonym stands in for an empty english name",
       "<th>Synonym</th><td x=\"v\">Name A</td><i x=\"english\"> </td>", false, "", "Name A", ""},
      {"the synonym's tag end is looked for one byte beyond the label",
       "<b>Synonym\">Wrong</td><td x=\"v\">Right</td>", false, "", "Right", ""},
      {"a synonym with a byte above 0x7F is refused on a non-UTF-8 page",
       "<th>Synonym</th><td x=\"v\">\xC8\xEC\xFF</td>", false, "", "", ""},
      {"a synonym is not taken when an english name was found",
       "<th>Synonym</th><td x=\"v\">Syn</td><i x=\"english\">Eng</td>", false, "", "Eng", ""},
      {"a title's parenthesised suffix goes", "<th>Title</th><td x=\"v\">Some Name (a123)</td>",
       false, "Some Name", "", ""},
      {"only the last parenthesis is cut", "<th>Title</th><td x=\"v\">X (a (b))</td>", false,
       "X (a", "", ""},
      {"a title that is only a suffix is empty", "<th>Title</th><td x=\"v\">(a123)</td>", false,
       "", "", ""},
      {"a parenthesis inside the title stays", "<th>Title</th><td x=\"v\">A (B) C</td>", false,
       "A (B) C", "", ""},
      {"a suffix followed by a blank stays", "<th>Title</th><td x=\"v\">A (b) </td>", false,
       "A (b)", "", ""},
      {"a title keeps its markup", "<th>Title</th><td x=\"v\"><b>Bold</b></td>", false,
       "<b>Bold</b>", "", ""},
      {"a UTF-8 english name is converted to Windows-1251",
       "<i x=\"english\">\xD0\x9F\xD1\x80\xD0\xB8</td>", true, "", "\xCF\xF0\xE8", ""},
      {"a UTF-8 synonym is converted to Windows-1251",
       "<th>Synonym</th><td x=\"v\">\xD0\x9F\xD1\x80\xD0\xB8, B</td>", true, "", "\xCF\xF0\xE8",
       ""},
      {"a UTF-8 synonym that Windows-1251 cannot spell is refused",
       "<th>Synonym</th><td x=\"v\">Name \xE4\xB8\x80</td>", true, "", "", ""},
      {"a UTF-8 title keeps its own bytes", "<th>Title</th><td x=\"v\">\xD0\x9F (a1)</td>", true,
       "\xD0\x9F", "", ""},
  };
  for (const ExtractCase& c : cases) {
    const TitleInfo info = Extract(c.text, c.utf8);
    EXPECT_STREQ(info.title, c.title) << c.what;
    EXPECT_STREQ(info.english, c.english) << c.what;
    EXPECT_STREQ(info.type, c.type) << c.what;
  }
}

TEST(ExtractTitleInfo, CutsValuesLongerThanTheirFields) {
  const std::string longValue(3000, 'a');
  const TitleInfo info =
      Extract("<th>Title</th><td x=\"v\">" + longValue + "</td><i x=\"english\">" + longValue +
                  "</td><th>Type</th><td x=\"v\">" + longValue + "</td>",
              false);
  EXPECT_EQ(std::strlen(info.title), 1023u);
  EXPECT_EQ(std::strlen(info.english), 1023u);
  EXPECT_EQ(std::strlen(info.type), 99u);
}

TEST(ApplyClosingRule, DropsEnglishEqualToTitleIgnoringCase) {
  struct Case {
    const char* title;
    const char* english;
    const char* expected;
  } const cases[] = {
      {"Cowboy Bebop", "COWBOY bebop", ""},
      {"\xC7\xE2\xB8\xE7\xE4\xFB", "\xC7\xC2\xA8\xC7\xC4\xDB", ""},  // Звёзды / ЗВЁЗДЫ
      {"Cowboy Bebop", "Cowboy Bebop!", "Cowboy Bebop!"},
      {"", "English", "English"},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    TitleInfo info;
    std::strcpy(info.title, c.title);
    std::strcpy(info.english, c.english);
    ApplyClosingRule(info);
    EXPECT_STREQ(info.english, c.expected) << c.title << " / " << c.english;
    EXPECT_STREQ(info.title, c.title);
  }
}

std::string Sanitized(std::string text, size_t capacity = 8192) {
  std::vector<char> buffer(std::max(capacity, text.size() + 1));
  std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
  SanitizeName(buffer.data(), capacity);
  return buffer.data();
}

TEST(SanitizeName, MakesTextUsableInAFileName) {
  struct Case {
    const char* input;
    const char* expected;
  } const cases[] = {
      {"Re: Zero\r\nPart", "Re - Zero Part"},
      {"a:b", "a-b"},
      {"a|b", "a_b"},
      {"A/B\\C", "A_B_C"},
      {"What?", "What."},
      {"<x>", "(x)"},
      {"say \"hi\"", "say 'hi'"},
      {"ta\tb", "tab"},
      {"\nStart", "Start"},
      {"a \nb", "a b"},
      {"a\n\nb", "a b"},
      {"a  b", "a  b"},
      {"*\xC0\xFF*", "*\xC0\xFF*"},
      {" \t padded\t ", "padded"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Sanitized(c.input), c.expected) << c.input;
}

TEST(SanitizeName, NeverWritesPastItsCapacityOrScratch) {
  EXPECT_EQ(Sanitized("abcdefgh", 5), "abcd");
  // "a: b" grows by one byte; the result is cut, not overrun, and a cut
  // name does not end in a blank.
  EXPECT_EQ(Sanitized("a: b", 5), "a -");
  EXPECT_EQ(Sanitized("abc: d", 5), "abc");
  EXPECT_EQ(Sanitized("anything", 1), "");
  EXPECT_EQ(Sanitized(std::string(5000, 'x')), std::string(4095, 'x'));
}

TEST(StripTags, RemovesNestedMarkupInPlace) {
  struct Case {
    const char* input;
    const char* expected;
  } const cases[] = {
      {"a<b>c", "ac"},     {"a<<b>c>d", "ad"}, {"a>b", "a>b"},   {"x<y", "xy"},
      {"a<b<c", "ac"},     {"", ""},           {"plain", "plain"}, {"<b>Name</b>", "Name"},
      {"a>>b<c>d", "a>>bd"},
  };
  for (const Case& c : cases) {
    std::string text = c.input;
    StripTags(text.data());
    EXPECT_STREQ(text.c_str(), c.expected) << c.input;
  }
}

}  // namespace
}  // namespace page
