#include "page/charset.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "platform/codepage.h"

namespace {

using page::PageCharset;
using namespace std::string_literals;

// Bytes are written as escapes throughout: the Windows builds translate the
// source's other literals to Windows-1251.

TEST(SniffCharset, FindsTheDeclaredCharsetByItsRules) {
  const std::string meta = "<head><meta content=\"text/html; ";
  const std::pair<std::string, PageCharset> cases[] = {
      {meta + "charset=UTF-8\"></head>", PageCharset::Utf8},
      {meta + "charset = \tkoi8-r ;\"></head>", PageCharset::Koi8R},
      {meta + "charset=windows-1251\"></head>", PageCharset::Other},
      {"<head><meta charset=\"utf-8\"></head>", PageCharset::Other},  // the quote ends the value
      {meta + "Charset=utf-8\"></head>", PageCharset::Other},
      {meta + "charset=utf-8\"><body>", PageCharset::Other},
      {"<head>var charset = x; " + meta + "charset=utf-8\"></head>", PageCharset::Other},
      {"<head>charset=utf-8</head>", PageCharset::Other},  // no quote or semicolon after it
      {"<head>charset</head>=koi8-r;", PageCharset::Koi8R},
      {"", PageCharset::Other},
  };
  for (const auto& [page, expected] : cases) EXPECT_EQ(page::SniffCharset(page), expected) << page;
}

TEST(Cp1251ToKoi8R, TranslatesLettersAndTheSharedSignsAndPassesTheRest) {
  // All 64 letters, Yo, yo and the signs both code pages have; broken bar and
  // not sign keep their old codes; the other bytes pass unchanged.
  std::string text =
      "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
      "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF"
      "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
      "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF"
      "\xA8\xB8\xA0\xA9\xB0\xB7" "\xA6\xAC" "a_files/\x80\x98\xA1\xB9\xBF";
  page::Cp1251ToKoi8R(text.data());
  EXPECT_EQ(text,
            "\xE1\xE2\xF7\xE7\xE4\xE5\xF6\xFA\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0"
            "\xF2\xF3\xF4\xF5\xE6\xE8\xE3\xFE\xFB\xFD\xFF\xF9\xF8\xFC\xE0\xF1"
            "\xC1\xC2\xD7\xC7\xC4\xC5\xD6\xDA\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0"
            "\xD2\xD3\xD4\xD5\xC6\xC8\xC3\xDE\xDB\xDD\xDF\xD9\xD8\xDC\xC0\xD1"
            "\xB3\xA3\x9A\xBF\x9C\x9E" "\xBB\xA8" "a_files/\x80\x98\xA1\xB9\xBF");
}

// Utf8ToCodePage's output bytes, or "<null>" when it gave none.
std::string ToCodePage(const std::string& input, unsigned codePage, bool* defaultUsed) {
  int32_t length = static_cast<int32_t>(input.size());
  const page::HeapBytes out = page::Utf8ToCodePage(input.data(), length, codePage, defaultUsed);
  return out ? std::string(out.get(), static_cast<size_t>(length)) : "<null>";
}

TEST(Utf8ToCodePage, DecodesCharacterByCharacterAndDropsBrokenBytes) {
  // Input, output and whether a character had no equivalent and became a blank.
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"\xD0\x9F\xD1\x80\xD0\xB8\0"s, "\xCF\xF0\xE8\0"s, false},
      {"\xE2\x84\x96\xD0\x81", "\xB9\xA8", false},             // No sign and Yo
      {"\xE4\xB8\x80\xD0\x9F", " \xCF", true},                 // a CJK ideograph
      {"\xD0" "A", "A", false},                                 // a broken lead byte
      {"\x80" "A", "A", false},                                 // a lone continuation byte
      {"\x80\x80\xD0", "\xD0", false},                          // the last byte is copied
      {"\xE0\x80", "\x80", false},                              // a lead byte loses only itself
      {"\xF0\x9F\x98\x80" "A", " A", true},                     // four bytes are read as three
      {"", "<null>", false},
  };
  for (const auto& [input, expected, blank] : cases) {
    for (const unsigned codePage : {1251u, platform::kAnsiCodePageAlias}) {
      bool defaultUsed = !blank;
      EXPECT_EQ(ToCodePage(input, codePage, &defaultUsed), expected) << input << codePage;
      EXPECT_EQ(defaultUsed, blank) << input << ", code page " << codePage;
    }
    EXPECT_EQ(ToCodePage(input, 1251, nullptr), expected) << input << " without a flag";
  }
  // Only the counted bytes are read: what lies beyond them never completes
  // a sequence.
  int32_t length = 2;
  const page::HeapBytes cut = page::Utf8ToCodePage("\xE0\x80\x80", length, 1251, nullptr);
  ASSERT_TRUE(cut);
  EXPECT_EQ(std::string(cut.get(), static_cast<size_t>(length)), "\x80");
}

TEST(AnsiToUtf8, EncodesEveryCharacterAcrossItsChunks) {
  EXPECT_STREQ(page::AnsiToUtf8("").get(), "");
  // One to three leading ASCII bytes shift where the characters of two and
  // three bytes fall, so every way of filling the encoder's chunks is met.
  const std::pair<const char*, const char*> letters[] = {
      {"\xCF", "\xD0\x9F"}, {"\xB9", "\xE2\x84\x96"}, {"\xA8", "\xD0\x81"},
      {"\xB8", "\xD1\x91"}, {"\x88", "\xE2\x82\xAC"}, {"\xA0", "\xC2\xA0"}, {"_", "_"}};
  for (const std::string lead : {"a", "ab", "abc"}) {
    std::string input = lead;
    std::string expected = lead;
    for (int i = 0; i < 700; ++i) {
      input += letters[i % 7].first;
      expected += letters[i % 7].second;
    }
    const page::HeapBytes out = page::AnsiToUtf8(input.c_str());
    ASSERT_TRUE(out);
    EXPECT_EQ(std::string(out.get()), expected) << "lead " << lead;
  }
}

}  // namespace
