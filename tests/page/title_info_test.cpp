#include "page/title_info.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace page {
namespace {

// Title, English and Type of `text`, joined by "|". Cyrillic is written as
// bytes: Windows-1251 where a value is ANSI text, UTF-8 where a page declares
// UTF-8. The usual cells are in the sample pages.
std::string Extracted(std::string text, bool utf8) {
  TitleInfo info;
  ExtractTitleInfo(text.data(), utf8, info);
  return std::string(info.title) + "|" + info.english + "|" + info.type;
}

TEST(ExtractTitleInfo, TakesEachFieldFromItsCell) {
  const std::tuple<const char*, bool, const char*> cases[] = {
      {"<p>nothing here</p>", false, "||"},
      {"<i x=\"english\">x\n<b>N</b></td><th>Type</th><td x=\"v\">\nOVA: 2</td>", false, "|N|OVA"},
      // A label inside a longer word counts; later labels only before the last value.
      {"<i class=\"SubType\">Bad</td><th>Title</th><td x=\"v\">Late</td>", false, "||Bad"},
      {"Type</td> Title</td>", false, "||"},        // no tag end after the label
      {"<th>Type</th><td x=\"v\">TV", false, "||"},  // no cell end
      {"<i x=\"english\"> \tName\r</td>", false, "|Name|"},
      {"<th>Synonym</th><td x=\"v\">Name A</td><i x=\"english\"> </td>", false, "|Name A|"},
      {"<th>Synonym</th><td x=\"v\">\xC8\xEC\xFF</td>", false, "||"},  // not ASCII on an ANSI page
      {"<th>Title</th><td x=\"v\">X (a (b))</td>", false, "X (a||"},  // the last one goes
      {"<th>Title</th><td x=\"v\">(a123)</td>", false, "||"},
      {"<th>Title</th><td x=\"v\">A (B) C</td>", false, "A (B) C||"},
      {"<th>Title</th><td x=\"v\"><b>Bold</b> (a1)</td>", false, "<b>Bold</b>||"},
      // On a UTF-8 page English is converted to Windows-1251, Title keeps its bytes.
      {"<i x=\"english\">\xD0\x9F\xD1\x80\xD0\xB8</td>", true, "|\xCF\xF0\xE8|"},
      {"<th>Synonym</th><td x=\"v\">\xD0\x9F\xD1\x80, B</td>", true, "|\xCF\xF0|"},
      {"<th>Synonym</th><td x=\"v\">Name \xE4\xB8\x80</td>", true, "||"},
      {"<th>Title</th><td x=\"v\">\xD0\x9F (a1)</td>", true, "\xD0\x9F||"},
  };
  for (const auto& [text, utf8, fields] : cases) EXPECT_EQ(Extracted(text, utf8), fields) << text;
}

TEST(ExtractTitleInfo, CutsValuesLongerThanTheirFields) {
  const std::string value(3000, 'a');
  EXPECT_EQ(Extracted("<th>Title</th><td x=\"v\">" + value + "</td><i x=\"english\">" + value +
                          "</td><th>Type</th><td x=\"v\">" + value + "</td>",
                      false),
            std::string(1023, 'a') + "|" + std::string(1023, 'a') + "|" + std::string(99, 'a'));
}

TEST(ApplyClosingRule, DropsEnglishEqualToTitleIgnoringCase) {
  const std::tuple<const char*, const char*, const char*> cases[] = {
      {"Cowboy Bebop", "COWBOY bebop", ""},
      {"\xC7\xE2\xB8\xE7\xE4\xFB", "\xC7\xC2\xA8\xC7\xC4\xDB", ""},  // Zvyozdy / ZVYOZDY
      {"Cowboy Bebop", "Cowboy Bebop!", "Cowboy Bebop!"},
      {"", "English", "English"},
  };
  for (const auto& [title, english, expected] : cases) {
    TitleInfo info;
    std::strcpy(info.title, title);
    std::strcpy(info.english, english);
    ApplyClosingRule(info);
    EXPECT_STREQ(info.english, expected) << title << " / " << english;
  }
}

std::string Sanitized(const std::string& text, size_t capacity = 8192) {
  std::vector<char> buffer(std::max(capacity, text.size() + 1));
  std::memcpy(buffer.data(), text.c_str(), text.size() + 1);
  SanitizeName(buffer.data(), capacity);
  return buffer.data();
}

TEST(SanitizeName, MakesTextUsableInAFileNameWithinItsCapacity) {
  const std::pair<const char*, const char*> cases[] = {
      {"Re: Zero\r\nPart", "Re - Zero Part"}, {"a:b|c", "a-b_c"}, {"A/B\\C", "A_B_C"},
      {"What?", "What."}, {"<x> \"hi\"", "(x) 'hi'"}, {"ta\tb", "tab"}, {"\nStart", "Start"},
      {"a \nb", "a b"}, {"a\n\nb", "a b"}, {"*\xC0\xFF*", "*\xC0\xFF*"}, {" \t pad\t ", "pad"},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(Sanitized(input), expected) << input;
  EXPECT_EQ(Sanitized("abcdefgh", 5), "abcd");
  // "a: b" grows by one byte; the result is cut, not overrun, and a cut
  // name does not end in a blank.
  EXPECT_EQ(Sanitized("a: b", 5), "a -");
  EXPECT_EQ(Sanitized("abc: d", 5), "abc");
  EXPECT_EQ(Sanitized("anything", 1), "");
  EXPECT_EQ(Sanitized(std::string(5000, 'x')), std::string(4095, 'x'));
}

TEST(StripTags, RemovesNestedMarkupInPlace) {
  const std::pair<const char*, const char*> cases[] = {
      {"a<b>c", "ac"}, {"a<<b>c>d", "ad"}, {"a>b", "a>b"}, {"x<y", "xy"},
      {"a<b<c", "ac"}, {"", ""},           {"a>>b<c>d", "a>>bd"},
  };
  for (const auto& [input, expected] : cases) {
    std::string text = input;
    StripTags(text.data());
    EXPECT_STREQ(text.c_str(), expected) << input;
  }
}

}  // namespace
}  // namespace page
