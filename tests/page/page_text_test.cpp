// The text rules of a page where the samples do not reach. Bytes are written as escapes, so
// that each test says which charset it means.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

#include "page/charset.h"
#include "page/link_repair.h"
#include "page/page_rewrite.h"
#include "page/title_info.h"
#include "page/title_marker.h"
#include "platform/memory.h"

namespace page {
namespace {

using namespace std::string_literals;

TEST(SniffCharset, FindsTheDeclaredCharsetByItsRules) {
  const std::string meta = "<head><meta content=\"text/html; ";
  const std::pair<std::string, PageCharset> cases[] = {
      {meta + "charset=UTF-8\"></head>", PageCharset::Utf8},
      {meta + "charset = \tkoi8-r ;\"></head>", PageCharset::Koi8R},
      // The short form: the quote opens the value; unclosed, there is none.
      {"<head><meta charset=\"UTF-8\"></head>", PageCharset::Utf8},
      {"<head><meta charset = \" koi8-r\"></head>", PageCharset::Koi8R},
      {"<head><meta charset=\"windows-1251\"></head>", PageCharset::Other},
      {"<head><meta charset=\"\"></head>", PageCharset::Other},
      {"<head><meta charset=\"utf-8></head>", PageCharset::Other},
      {meta + "Charset=utf-8\"></head>", PageCharset::Other},
      {meta + "charset=utf-8\"><body>", PageCharset::Other},
      {"<head>var charset = x; " + meta + "charset=utf-8\"></head>", PageCharset::Other},
      {"<head>charset=utf-8</head>", PageCharset::Other},  // no quote or semicolon after it
      {"<head>charset</head>=koi8-r;", PageCharset::Koi8R},
  };
  for (const auto& [page, expected] : cases) EXPECT_EQ(SniffCharset(page), expected) << page;
}

TEST(Cp1251ToKoi8R, TranslatesLettersAndTheSharedSignsAndPassesTheRest) {
  // All 64 letters, Yo, yo and the signs both code pages have; broken bar and
  // not sign keep their old codes; the other bytes pass unchanged.
  std::string text;
  for (int byte = 0xC0; byte <= 0xFF; ++byte) text += static_cast<char>(byte);
  text += "\xA8\xB8\xA0\xA9\xB0\xB7" "\xA6\xAC" "a_files/\x80\x98\xA1\xB9\xBF";
  Cp1251ToKoi8R(text.data());
  EXPECT_EQ(text,
            "\xE1\xE2\xF7\xE7\xE4\xE5\xF6\xFA\xE9\xEA\xEB\xEC\xED\xEE\xEF\xF0\xF2\xF3\xF4\xF5\xE6"
            "\xE8\xE3\xFE\xFB\xFD\xFF\xF9\xF8\xFC\xE0\xF1\xC1\xC2\xD7\xC7\xC4\xC5\xD6\xDA\xC9\xCA"
            "\xCB\xCC\xCD\xCE\xCF\xD0\xD2\xD3\xD4\xD5\xC6\xC8\xC3\xDE\xDB\xDD\xDF\xD9\xD8\xDC\xC0"
            "\xD1\xB3\xA3\x9A\xBF\x9C\x9E" "\xBB\xA8" "a_files/\x80\x98\xA1\xB9\xBF");
}

// Utf8ToCodePage's output bytes for the first `length` bytes of `input`, or
// "<null>" when it gave none.
std::string ToCodePage(const std::string& input, size_t length, bool* defaultUsed) {
  const GrowBuffer out =
      Utf8ToCodePage(std::string_view(input).substr(0, length), 1251, defaultUsed);
  return out.View().empty() ? "<null>" : std::string(out.View());
}

TEST(Utf8ToCodePage, DecodesCharacterByCharacterAndDropsBrokenBytes) {
  // Input, output and whether a character had no equivalent and became a blank.
  const std::tuple<std::string, std::string, bool> cases[] = {
      {"\xE2\x84\x96\xD0\x81", "\xB9\xA8", false},  // No sign and Yo
      {"\xE4\xB8\x80\xD0\x9F", " \xCF", true},      // a CJK ideograph
      {"\xD0" "A", "A", false},                      // a broken lead byte
      {"\x80" "A", "A", false},                      // a lone continuation byte
      {"\x80\x80\xD0", "\xD0", false},               // the last byte is copied
      {"\xE0\x80", "\x80", false},                   // a lead byte loses only itself
      {"\xF0\x9F\x98\x80" "A", " A", true},          // four bytes are read as three
      {"", "<null>", false},
  };
  for (const auto& [input, expected, blank] : cases) {
    bool defaultUsed = !blank;
    EXPECT_EQ(ToCodePage(input, input.size(), &defaultUsed), expected) << input;
    EXPECT_EQ(defaultUsed, blank) << input;
  }
  // Only the counted bytes are read: what lies beyond them never completes a sequence.
  EXPECT_EQ(ToCodePage("\xE0\x80\x80", 2, nullptr), "\x80");
}

TEST(AnsiToUtf8, EncodesEveryCharacterAcrossItsChunks) {
  const GrowBuffer empty = AnsiToUtf8("");
  EXPECT_EQ(empty.View(), "");
  EXPECT_FALSE(empty.RanOutOfMemory());
  // Characters of two, three and one bytes after one to three leading ASCII
  // bytes: the encoder's chunks are met filled in every way.
  const std::pair<const char*, const char*> letters[] = {
      {"\xCF", "\xD0\x9F"}, {"\xB9", "\xE2\x84\x96"}, {"_", "_"}};
  for (const std::string lead : {"a", "ab", "abc"}) {
    std::string input = lead, expected = lead;
    for (int i = 0; i < 700; ++i) {
      input += letters[i % 3].first;
      expected += letters[i % 3].second;
    }
    GrowBuffer out = AnsiToUtf8(input.c_str());
    EXPECT_EQ(out.View(), expected) << "lead " << lead;
    EXPECT_STREQ(out.Terminate(), expected.c_str()) << "lead " << lead;
  }
}

// The repaired page, or "<nothing>" when the repair has nothing to write.
std::string Repair(const std::string& page, const ByteMap* ansiToUtf8 = AnsiToUtf8Map()) {
  GrowBuffer out;
  return RepairLinksInText(page, out, ansiToUtf8) ? std::string(out.View()) : "<nothing>";
}

TEST(RepairLinksInText, DecodesQuotedLinksIntoTheFilesFolderInThePagesCharsetUtf8Included) {
  const std::string meta = "<head><meta content=\"text/html; charset=";
  const std::string utf8 = meta + "utf-8\"></head>", koi8 = meta + "koi8-r\"></head>";
  const std::string utf16 = "\"\0a\0_\0f\0i\0l\0e\0s\0/\0%\0004\0001\0\"\0"s;
  const struct {
    std::string head;
    std::string body;
    std::string expected;  // the repaired body
  } cases[] = {
      {utf8, "<img src=\"p_files/%CF%F0.jpg\">", "<img src=\"p_files/\xD0\x9F\xD1\x80.jpg\">"},
      {koi8, "<img src=\"p_files/%CF%F0.jpg\">", "<img src=\"p_files/\xF0\xD2.jpg\">"},
      {"", "<img src=\"p_files/%CF%F0.jpg\">", "<img src=\"p_files/\xCF\xF0.jpg\">"},
      // Decoded bytes are Windows-1251 unless they are UTF-8 (below); raw bytes of a link
      // that is decoded are converted with it.
      {utf8, "<a href=\"p_files/\xCF%F0\">", "<a href=\"p_files/\xD0\x9F\xD1\x80\">"},
      // Links with nothing to decode stay as they stood, raw bytes included.
      {utf8, "<a href=\"p_files/\xCF%cf\">", "<a href=\"p_files/\xCF%cf\">"},
      {"", "<a href=\"p_Files/%41\">", "<a href=\"p_Files/%41\">"},
      {"", "<a href=\"p_files/100%?%ZZ%41%4\">", "<a href=\"p_files/100%?%ZZA%4\">"},
      {utf8, "<a href=\"p_files/%41%00.jpg\">", "<a href=\"p_files/%41%00.jpg\">"},  // %00 kept
      // "#", "?" and "%" stay escaped: bare, they would make the link lead elsewhere.
      {"", "<a href=\"x_files/y_files/%2541\">", "<a href=\"x_files/y_files/%2541\">"},
      {"", "<a href=\"No%20%232%3F%25_files/%41\">", "<a href=\"No %232%3F%25_files/A\">"},
      // Outside any attribute the link is the text between the nearest quotes.
      {"", "<a href=\"x\">p_files %41</a><a href=\"y\">",
       "<a href=\"x\">p_files A</a><a href=\"y\">"},
      // Without a quote before it there is no link; the search goes on after it.
      {"", "p_files/%41 <img src=\"b_files/%41\">", "p_files/%41 <img src=\"b_files/A\">"},
      {"", "<p>\"a\" p_files/%41", "<p>\"a\" p_files/%41"},
      // Everything from the first NUL on is carried over; a quote past it does not count.
      {"", "<a href=\"a_files/%41\">\0\"b_files/%41\"\0end"s,
       "<a href=\"a_files/A\">\0\"b_files/%41\"\0end"s},
      {"", "\"a_files/%41\0\"b\""s, "\"a_files/%41\0\"b\""s},
      {"", utf16, utf16},
      {"", "\0\"a_files/%41\""s, "<nothing>"},  // nothing before the NUL: nothing to write
  };
  for (const auto& c : cases) EXPECT_EQ(Repair(c.head + c.body), c.head + c.expected) << c.body;

  // Links as today's browsers write them, UTF-8 escapes, beside the older savers' Windows-1251
  // ones: "Во" (Cyrillic), "ō" (a macron), "宝" (Japanese), "№" (in Windows-1251, not KOI8-R).
  const std::string cp1251 = meta + "windows-1251\"></head>";
  const std::string vo = "%D0%92%D0%BE", o = "%C5%8D", jewel = "%E5%AE%9D", number = "%E2%84%96";
  const std::tuple<std::string, std::string, std::string> links[] = {  // head, link, repaired
      {utf8, vo + "%20" + o + jewel + "_files/a.gif",
       "\xD0\x92\xD0\xBE \xC5\x8D\xE5\xAE\x9D_files/a.gif"},
      {cp1251, vo + "_files/" + number + ".gif", "\xC2\xEE_files/\xB9.gif"},
      {koi8, vo + "_files/%D0%81.gif", "\xF7\xCF_files/\xB3.gif"},
      // A letter the charset lacks: the link stays, escapes and all, and still leads there.
      {cp1251, vo + o + "_files/a.gif", vo + o + "_files/a.gif"},
      {cp1251, "p_files/" + jewel, "p_files/" + jewel},
      {koi8, vo + "_files/" + number, vo + "_files/" + number},
      {utf8, "%C2%EE_files/a.gif", "\xD0\x92\xD0\xBE_files/a.gif"},  // Windows-1251, as ever
      {koi8, "%C2%EE_files/a.gif", "\xF7\xCF_files/a.gif"},
      // UTF-8 bytes of its own with an escaped blank are UTF-8 as a whole, never converted again.
      {utf8, "\xD0\x92\xD0\xBE%20x_files/a.gif", "\xD0\x92\xD0\xBE x_files/a.gif"},
      // Escapes of a longer form, of a surrogate, or cut short are no UTF-8.
      {utf8, "%C0%80_files", "\xD0\x90\xD0\x82_files"},
      {cp1251, "%ED%A0%80_files", "\xED\xA0\x80_files"},
      {cp1251, "%D0_files", "\xD0_files"},
  };
  for (const auto& [head, link, repaired] : links)
    EXPECT_EQ(Repair(head + "\"" + link + "\""), head + "\"" + repaired + "\"") << link;
}

// Where the ANSI code page takes more than a byte for some letters, a link is converted as a
// whole name: memory that runs out there must give no page, never one with a name left in the
// wrong charset.
struct FailingAllocator final : platform::Allocator {
  void* Reallocate(void* block, size_t size) override {
    return ++count == failAt ? nullptr : std::realloc(block, size);
  }
  long count = 0, failAt = 0;
};

TEST(RepairLinksInText, AnAllocationThatFailsGivesNoPageNeverAnotherOne) {
  const std::string page =
      "<head><meta content=\"text/html; charset=utf-8\"></head><img src=\"p_files/%CF%F0.jpg\">";
  const std::string repaired = Repair(page);
  ASSERT_NE(repaired.find("\xD0\x9F\xD1\x80"), std::string::npos);
  ASSERT_EQ(Repair(page, nullptr), repaired);
  FailingAllocator heap;
  const platform::ScopedAllocator scoped(heap);
  for (heap.failAt = 1;; ++heap.failAt) {
    heap.count = 0;
    const std::string result = Repair(page, nullptr);
    if (heap.count < heap.failAt) break;
    EXPECT_EQ(result, "<nothing>") << "allocation " << heap.failAt;
  }
  EXPECT_GE(heap.failAt, 4) << "the page, the decoded name and its conversion";
}

TEST(Utf8Rules, TellWellFormedTextAndCutOnlyBetweenCharacters) {
  const std::pair<std::string, bool> texts[] = {
      {"", true},
      {"plain", true},
      {"\xD0\x9F\xD1\x80 \xE2\x84\x96 \xF0\x9F\x98\x80", true},
      {"\xCF\xF0", false},          // Windows-1251
      {"a\xD0", false},             // cut short
      {"\xE2\x84" "A", false},      // a lead byte without all of its tail
      {"\x80", false},              // a tail without its lead
      {"\xC1\x81", false},          // an overlong lead
      {"\xF5\x80\x80\x80", false},  // beyond the last character
  };
  for (const auto& [text, wellFormed] : texts) EXPECT_EQ(IsUtf8(text), wellFormed) << text;

  // "ab", a letter of two bytes, a sign of three.
  const std::string text = "ab\xD0\x9F\xE2\x84\x96";
  const std::tuple<size_t, std::string, std::string> cuts[] = {
      // At most this many bytes: from the start, from the end.
      {8, text, text},
      {7, text, text},
      {6, "ab\xD0\x9F", "b\xD0\x9F\xE2\x84\x96"},
      {5, "ab\xD0\x9F", "\xD0\x9F\xE2\x84\x96"},
      {4, "ab\xD0\x9F", "\xE2\x84\x96"},
      {3, "ab", "\xE2\x84\x96"},
      {2, "ab", ""},
      {0, "", ""},
  };
  for (const auto& [limit, prefix, suffix] : cuts) {
    EXPECT_EQ(Utf8Prefix(text, limit), prefix) << limit;
    EXPECT_EQ(Utf8Suffix(text, limit), suffix) << limit;
  }
  EXPECT_EQ(Utf8Prefix("\x80\x80\x80", 2), "");
}

// Why UTF-8 escapes are never mistaken for Windows-1251 ones: its Cyrillic letters are
// 0xC0-0xFF, which UTF-8 has as lead bytes or not at all, save Ё and ё (0xA8, 0xB8).
TEST(IsUtf8, AWindows1251CyrillicNamePassesOnlyWhereHalfItsLettersAreYo) {
  std::string letters = "\xA8\xB8";
  for (int byte = 0xC0; byte <= 0xFF; ++byte) letters += static_cast<char>(byte);
  int wellFormed = 0;
  const auto check = [&](const std::string& word) {
    if (!IsUtf8(word)) return;
    ++wellFormed;
    EXPECT_GE(2 * std::count_if(word.begin(), word.end(),
                                [](char c) { return c == '\xA8' || c == '\xB8'; }),
              std::ssize(word)) << word;
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

// Title, English and Type of `text` as the cleaner leaves them, joined by "|": Cyrillic
// in Windows-1251 where a value is ANSI text. The usual cells are in the sample pages.
std::string Extracted(std::string text, bool utf8) {
  TitleInfo info;
  ExtractTitleInfo(text.data(), utf8 ? PageCharset::Utf8 : PageCharset::Other, info);
  ApplyClosingRule(info);
  return std::string(info.title) + "|" + info.english + "|" + info.type;
}

TEST(ExtractTitleInfo, TakesEachFieldFromItsCellWithinItsLength) {
  const std::string title = "<th>Title</th><td x=\"v\">";
  const std::string a(3000, 'a'), b(3000, 'b');
  const std::tuple<std::string, bool, std::string> cases[] = {
      {"<i x=\"english\">x\n<b>N</b></td><th>Type</th><td x=\"v\">\nOVA: 2</td>", false, "|N|OVA"},
      // A label inside a longer word counts; later labels only before the last value.
      {"<i class=\"SubType\">Bad</td>" + title + "Late</td>", false, "||Bad"},
      // But not the header name that Chrome writes into the head of every page it saves.
      {"<meta http-equiv=\"Content-Type\" content=\"text/html; charset=UTF-8\">" + title +
           "T</td><i x=\"english\">E</td><th>Type</th><td x=\"v\">OVA</td>",
       false, "T|E|OVA"},
      {"Type</td> Title</td>", false, "||"},        // no tag end after the label
      {"<th>Type</th><td x=\"v\">TV", false, "||"},  // no cell end
      {"<i x=\"english\"> \tName\r</td>", false, "|Name|"},
      // Markup in English goes, nesting counted; a stray ">" and the text after
      // an unclosed "<" stay.
      {"<i x=\"english\">A<<b>c>B>C<d</td>", false, "|AB>Cd|"},
      {"<th>Synonym</th><td x=\"v\">Name A</td><i x=\"english\"> </td>", false, "|Name A|"},
      {"<th>Synonym</th><td x=\"v\">Syn</td><i x=\"english\">Eng</td>", false, "|Eng|"},
      // The tag end is looked for from one character beyond the label: right after it, it is
      // not seen.
      {"<i x=\"Synonym\">Near</td><td x=\"v\">Far, Other</td>", false, "|Far|"},
      {"<th>Synonym</th><td x=\"v\">\xC8\xEC\xFF</td>", false, "||"},  // not ASCII on an ANSI page
      {title + "X (a (b))</td>", false, "X (a||"},  // the last parenthesis goes
      {title + "A (B) C</td>", false, "A (B) C||"},
      {title + "<b>Bold</b> (a1)</td>", false, "<b>Bold</b>||"},
      // English equal to Title but for letter case is dropped: Zvyozdy / ZVYOZDY.
      {title + "\xC7\xE2\xB8\xE7\xE4\xFB</td><i x=\"english\">\xC7\xC2\xA8\xC7\xC4\xDB</td>",
       false, "\xC7\xE2\xB8\xE7\xE4\xFB||"},
      {title + a + "</td><i x=\"english\">" + b + "</td><th>Type</th><td x=\"v\">" + a + "</td>",
       false, std::string(1023, 'a') + "|" + std::string(1023, 'b') + "|" + std::string(99, 'a')},
      // On a UTF-8 page every value keeps the page's bytes; a synonym is taken only where the
      // ANSI code page can spell it.
      {"<i x=\"english\">\xD0\x9F\xD1\x80\xD0\xB8</td>", true, "|\xD0\x9F\xD1\x80\xD0\xB8|"},
      {"<th>Synonym</th><td x=\"v\">\xD0\x9F\xD1\x80, B</td>", true, "|\xD0\x9F\xD1\x80|"},
      {"<th>Synonym</th><td x=\"v\">Name \xE4\xB8\x80</td>", true, "||"},
      {title + "\xD0\x9F (a1)</td>", true, "\xD0\x9F||"},
  };
  for (const auto& [text, utf8, fields] : cases) EXPECT_EQ(Extracted(text, utf8), fields) << text;
}

// The text sanitized in a buffer of `capacity` bytes (or more, to hold the text).
std::string Sanitized(std::string text, size_t capacity = 8192) {
  text.resize(std::max(capacity, text.size() + 1));
  SanitizeName(text.data(), capacity);
  return text.c_str();
}

TEST(SanitizeName, MakesTextUsableInAFileNameWithinItsCapacity) {
  const std::pair<const char*, const char*> cases[] = {
      {"Re: Zero\r\nPart", "Re - Zero Part"}, {"a:b|c", "a-b_c"}, {"A/B\\C", "A_B_C"},
      {"What?", "What."}, {"<x> \"hi\"", "(x) 'hi'"}, {"ta\tb", "tab"}, {"\nStart", "Start"},
      {"a \nb", "a b"}, {"a\n\nb", "a b"}, {"*\xC0\xFF*", "_\xC0\xFF_"}, {" \t pad\t ", "pad"},
  };
  for (const auto& [input, expected] : cases) EXPECT_EQ(Sanitized(input), expected) << input;
  // "a: b" grows by one byte; the result is cut, not overrun, and a cut
  // name does not end in a blank.
  EXPECT_EQ(Sanitized("a: b", 5), "a -");
  EXPECT_EQ(Sanitized("abc: d", 5), "abc");
  EXPECT_EQ(Sanitized("anything", 1), "");
  EXPECT_EQ(Sanitized(std::string(5000, 'x')), std::string(4095, 'x'));
}

const std::string kMarker(kTitleMarker);

TEST(FirstRewrite, CutsOnlyRecognisedPagesAndCarriesTheNulTailOver) {
  const std::string head = "<head><title>X " + kMarker + "</title></head>";
  const std::string content = "<div class=\"g_content\">C";
  const std::pair<std::string, std::string> cases[] = {
      {"<body>x" + content + kMarker + "\0<body>\xFF"s,
       "<body>" + content + kMarker + "\0<body>\xFF"s},
      {"<head></head><body>" + content, ""},
      {"<body>" + content + "\0"s + kMarker, ""},  // the marker lies past the NUL
      {head + content, ""},
      {head + "<body><div class=\"content\">", ""},
      {head + "<body class=\"<div class=\"g_content", ""},  // the body tag never ends
      {head + "<body " + content + ">", ""},                 // the anchor is inside it
  };
  for (const auto& [page, expected] : cases) {
    GrowBuffer out;
    EXPECT_EQ(FirstRewrite(page, out), !expected.empty()) << page;
    EXPECT_EQ(out.View(), expected) << page;
  }
}

// The relaid page, or "<nothing>" when the relayout has nothing to write.
std::string Relaid(const std::string& page) {
  GrowBuffer out;
  return Relayout(page, out) ? std::string(out.View()) : "<nothing>";
}

const std::string kTable = "<table width=\"100%\"><tr><td valign=\"top\">";
const std::string kInfo = "<div class=\"g_section info\">";

TEST(Relayout, LaysOutOnlyTheSectionPartsThatArePresentThenRemovesBlocksAndBordersAltTags) {
  const std::string cell = "<td valign=\"top\">";
  const std::pair<std::string, std::string> cases[] = {
      {kInfo + "h</div>r</div>rest", kInfo + kTable + cell + "r</div></td><td>rest"},  // no <p>
      {kInfo + "h</div>r<p class=\"desc\">D",
       kInfo + kTable + cell + "r</td></tr></table><p class=\"desc\">D"},
      {kInfo + "h<p class=\"desc\">D", kInfo + kTable + "h<p class=\"desc\">D"},
      {kInfo + "</div>", kInfo + kTable + cell},  // the heading ends the page
      {kInfo + kTable.substr(0, 20), kInfo + kTable + kTable.substr(0, 20)},
      {"<div class=\"g_content\">x</div>", "<nothing>"},
      {"<div class=\"g_section info", "<nothing>"},  // the section tag never ends
  };
  for (const auto& [page, expected] : cases) EXPECT_EQ(Relaid(page), expected) << page;

  // Then it removes blocks and borders alt tags from the current position on.
  const std::string start = kInfo + "</div></div>";
  const std::string relaid = kInfo + kTable + "<td valign=\"top\"></div></td><td>";
  const std::string vote = "<div class=\"g_section vote\">";
  const std::string note = "<div class=\"g_section g_notebox\">";
  const std::pair<std::string, std::string> tails[] = {
      {vote + "<div>in</div>out</div>", "out</div>"},  // a block ends at its first closing
      {note + "n</div>" + vote + "v</div>!", note + "n</div>!"},  // an earlier kind stays
      // A block without its closing stays; later kinds are looked for after its opening.
      {note + "n" + vote + "v<ul class=\"g_actionlist\">l</ul>.", note + "n" + vote + "v."},
      {vote + "1</div>" + vote + "2</div>", vote + "2</div>"},
      {"<img alt=\"a\" x-alt=\"b\">", "<img alt=\"a\" x-alt=\"b\" border=\"0\">"},
      {"<img alt=\"a>b\">", "<img alt=\"a border=\"0\">b\">"},
      {"<img alt=\"a\"><img alt=\"b\"", "<img alt=\"a\" border=\"0\"><img alt=\"b\""},
      {"<img alt=\"a\">\0"s + vote + "</div><img alt=\"b\">",
       "<img alt=\"a\" border=\"0\">\0"s + vote + "</div><img alt=\"b\">"},
  };
  for (const auto& [page, tail] : tails) EXPECT_EQ(Relaid(start + page), relaid + tail) << page;
}

}  // namespace
}  // namespace page
