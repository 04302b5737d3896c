#include "page/charset.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/codepage.h"

namespace {

using page::PageCharset;

// Bytes are written as escapes throughout: the Windows builds translate the
// source's other literals to Windows-1251.
const std::string kPrivetCp1251 = "\xCF\xF0\xE8\xE2\xE5\xF2";
const std::string kPrivetUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82";

TEST(SniffCharset, FindsTheDeclaredCharsetByItsRules) {
  struct Case {
    const char* name;
    std::string page;
    PageCharset expected;
  };
  const std::string meta = "<head><meta http-equiv=\"Content-Type\" content=\"text/html; ";
  const Case cases[] = {
      {"utf-8 in capitals", meta + "charset=UTF-8\"></head>", PageCharset::Utf8},
      {"koi8-r in capitals", meta + "charset=KOI8-R\"></head>", PageCharset::Koi8R},
      {"windows-1251", meta + "charset=windows-1251\"></head>", PageCharset::Other},
      {"short form: the quote makes the value empty", "<head><meta charset=\"utf-8\"></head>",
       PageCharset::Other},
      {"blanks and tabs around the value are trimmed", meta + "charset = \tutf-8 ;\"></head>",
       PageCharset::Utf8},
      {"utf8 without the hyphen", meta + "charset=utf8\"></head>", PageCharset::Other},
      {"the word with a capital initial", meta + "Charset=utf-8\"></head>", PageCharset::Other},
      {"no </head>", meta + "charset=utf-8\"><body>", PageCharset::Other},
      {"charset only after </head>", "<head></head><meta content=\"charset=utf-8\">",
       PageCharset::Other},
      {"only the first charset counts",
       "<head><script>var charset = pick(); </script>" + meta + "charset=utf-8\"></head>",
       PageCharset::Other},
      {"a line break before the quote", meta + "charset=utf-8\r\n\"></head>", PageCharset::Other},
      {"no equals sign", "<head>charset</head>", PageCharset::Other},
      {"no quote or semicolon after the value", "<head>charset=utf-8</head>", PageCharset::Other},
      {"the value may lie past </head>", "<head>charset</head>=koi8-r;", PageCharset::Koi8R},
      {"a value of blanks only", meta + "charset=  \"></head>", PageCharset::Other},
      {"empty text", "", PageCharset::Other},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(page::SniffCharset(c.page), c.expected) << c.name;
  }
}

TEST(PercentDecode, DecodesCapitalHexPairsOnly) {
  struct Case {
    std::string input;
    std::string expected;
    bool decoded;
  };
  const Case cases[] = {
      {"a%20b", "a b", true},
      {"%D0%90", "\xD0\x90", true},
      {"%2F", "/", true},
      {"%d0", "%d0", false},
      {"%2f", "%2f", false},
      {"100%", "100%", false},
      {"%%41", "%A", true},
      {"%4", "%4", false},
      {"ends in %4", "ends in %4", false},
      {"%G1%4G", "%G1%4G", false},
      {"%41%", "A%", true},
      {"", "", false},
  };
  for (const Case& c : cases) {
    std::string text = c.input;
    EXPECT_EQ(page::PercentDecode(text.data()), c.decoded) << c.input;
    EXPECT_EQ(std::string(text.c_str()), c.expected) << c.input;
  }
}

TEST(PercentDecode, DecodesPastAnEncodedNul) {
  char text[] = "a%00b%41";
  EXPECT_TRUE(page::PercentDecode(text));
  EXPECT_EQ(std::string(text, 5), std::string("a\0bA\0", 5));
}

TEST(Cp1251ToKoi8R, TranslatesLettersAndTheSharedSigns) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"Privet", kPrivetCp1251, "\xF0\xD2\xC9\xD7\xC5\xD4"},
      {"all 64 letters, Yo, yo and the shared signs",
       "\xC0\xC1\xC2\xC3\xC4\xC5\xC6\xC7\xC8\xC9\xCA\xCB\xCC\xCD\xCE\xCF"
       "\xD0\xD1\xD2\xD3\xD4\xD5\xD6\xD7\xD8\xD9\xDA\xDB\xDC\xDD\xDE\xDF"
       "\xE0\xE1\xE2\xE3\xE4\xE5\xE6\xE7\xE8\xE9\xEA\xEB\xEC\xED\xEE\xEF"
       "\xF0\xF1\xF2\xF3\xF4\xF5\xF6\xF7\xF8\xF9\xFA\xFB\xFC\xFD\xFE\xFF"
       "\xA8\xB8\xA0\xA9\xB0\xB7",
       "\xE1\xE2\xF7\xE7\xE4\xE5\xF6\xFA\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0"
       "\xF2\xF3\xF4\xF5\xE6\xE8\xE3\xFE\xFB\xFD\xFF\xF9\xF8\xFC\xE0\xF1"
       "\xC1\xC2\xD7\xC7\xC4\xC5\xD6\xDA\xC9\xCA\xCB\xCC\xCD\xCE\xCF\xD0"
       "\xD2\xD3\xD4\xD5\xC6\xC8\xC3\xDE\xDB\xDD\xDF\xD9\xD8\xDC\xC0\xD1"
       "\xB3\xA3\x9A\xBF\x9C\x9E"},
      {"broken bar and not sign keep their old codes", "\xA6\xAC", "\xBB\xA8"},
      {"other bytes of 0x80-0xBF pass through", "\x80\x98\xA1\xB9\xBF", "\x80\x98\xA1\xB9\xBF"},
      {"ASCII is unchanged", "page_files/a.jpg", "page_files/a.jpg"},
  };
  for (const Case& c : cases) {
    std::string text = c.input;
    page::Cp1251ToKoi8R(text.data());
    EXPECT_EQ(text, c.expected) << c.name;
  }
}

// Runs Utf8ToCodePage on `input` and returns its output bytes, or
// "<null>" when it gave none.
std::string ToCodePage(const std::string& input, unsigned codePage, bool* defaultUsed,
                       int32_t* outLength = nullptr) {
  int32_t length = static_cast<int32_t>(input.size());
  const page::HeapBytes out = page::Utf8ToCodePage(input.data(), length, codePage, defaultUsed);
  if (outLength != nullptr) *outLength = length;
  if (!out) return "<null>";
  return std::string(out.get(), static_cast<size_t>(length));
}

TEST(Utf8ToCodePage, DecodesCharacterByCharacterAndDropsBrokenBytes) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
    bool defaultUsed;
  };
  const Case cases[] = {
      {"Privet and its NUL", kPrivetUtf8 + std::string(1, '\0'),
       kPrivetCp1251 + std::string(1, '\0'), false},
      {"a CJK ideograph becomes a blank", "\xE4\xB8\x80" + std::string(1, '\0'),
       std::string(" \0", 2), true},
      {"a broken lead byte is dropped and the next read afresh", "\xD0" "A", "A", false},
      {"a lone continuation byte is dropped", "\x80" "A", "A", false},
      {"the last byte is copied unchanged", "A\xC3", "A\xC3", false},
      {"a lead byte short of continuations loses only itself", "\xE0\x80", "\x80", false},
      {"a four-byte form is read as three bytes and loses its fourth",
       "\xF0\x9F\x98\x80" "A", " A", true},
      {"overlong forms are not looked for", "\xC1\x81", "A", false},
      {"No sign and Yo", "\xE2\x84\x96\xD0\x81", "\xB9\xA8", false},
      {"a missing character anywhere sets the flag", "\xE4\xB8\x80\xD0\x9F", " \xCF", true},
  };
  for (const Case& c : cases) {
    for (const unsigned codePage : {1251u, platform::kAnsiCodePageAlias}) {
      bool defaultUsed = !c.defaultUsed;
      EXPECT_EQ(ToCodePage(c.input, codePage, &defaultUsed), c.expected)
          << c.name << ", code page " << codePage;
      EXPECT_EQ(defaultUsed, c.defaultUsed) << c.name << ", code page " << codePage;
    }
    EXPECT_EQ(ToCodePage(c.input, 1251, nullptr), c.expected) << c.name << " without a flag";
  }
}

TEST(Utf8ToCodePage, CountsItsOutputAndGivesNullForNothing) {
  int32_t length = -1;
  bool defaultUsed = true;
  EXPECT_EQ(ToCodePage(kPrivetUtf8 + std::string(1, '\0'), 1251, &defaultUsed, &length).size(), 7u);
  EXPECT_EQ(length, 7);

  EXPECT_EQ(ToCodePage("", 1251, &defaultUsed, &length), "<null>");
  EXPECT_EQ(length, 0);
  EXPECT_FALSE(defaultUsed);

  EXPECT_EQ(ToCodePage("\x80\x80\xD0", 1251, &defaultUsed, &length), "\xD0")
      << "the last byte passes";
  EXPECT_EQ(ToCodePage("\x80\x80" "\xD0\xD0", 1251, &defaultUsed, &length), "\xD0");
  EXPECT_EQ(ToCodePage("\x80\xBF", 1251, &defaultUsed, &length), "\xBF");

  // Only the counted bytes are read: what lies beyond them never completes a
  // sequence.
  const char threeBytes[] = "\xE0\x80\x80";
  length = 2;
  const page::HeapBytes cut = page::Utf8ToCodePage(threeBytes, length, 1251, nullptr);
  ASSERT_TRUE(cut);
  EXPECT_EQ(std::string(cut.get(), static_cast<size_t>(length)), "\x80");
}

TEST(Utf8ToCodePage, CharacterThatCannotBeConvertedBecomesAQuestionMark) {
  // No code page has this number, so every conversion of a unit fails;
  // ASCII never reaches the platform.
  bool defaultUsed = true;
  EXPECT_EQ(ToCodePage(kPrivetUtf8 + "!", 4242, &defaultUsed), std::string(6, '?') + "!");
  EXPECT_FALSE(defaultUsed);
}

TEST(AnsiToUtf8, EncodesEachUnitWithItsTerminator) {
  struct Case {
    const char* name;
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"Privet", kPrivetCp1251, kPrivetUtf8},
      {"No sign", "\xB9", "\xE2\x84\x96"},
      {"Yo, yo and the euro sign", "\xA8\xB8\x88", "\xD0\x81\xD1\x91\xE2\x82\xAC"},
      {"ASCII passes", "page_files/a b.jpg", "page_files/a b.jpg"},
      {"no-break space takes two bytes", "\xA0", "\xC2\xA0"},
      {"empty", "", ""},
  };
  for (const Case& c : cases) {
    const page::HeapBytes out = page::AnsiToUtf8(c.input.c_str());
    ASSERT_TRUE(out) << c.name;
    // The terminator is converted like any other unit, so the result is
    // exactly the expected bytes and one NUL.
    EXPECT_EQ(std::string(out.get()), c.expected) << c.name;
  }
}

TEST(AnsiToUtf8, LongTextKeepsEveryCharacter) {
  // One to three leading ASCII bytes shift where the three-byte characters
  // fall, so every way of filling the encoder's chunks is met.
  for (const std::string lead : {"a", "ab", "abc"}) {
    std::string input = lead;
    std::string expected = lead;
    for (int i = 0; i < 700; ++i) {
      input += i % 2 == 0 ? "\xB9" : "\xCF";
      expected += i % 2 == 0 ? "\xE2\x84\x96" : "\xD0\x9F";
    }
    const page::HeapBytes out = page::AnsiToUtf8(input.c_str());
    ASSERT_TRUE(out);
    EXPECT_EQ(std::string(out.get()), expected) << "lead " << lead;
  }
}

}  // namespace
