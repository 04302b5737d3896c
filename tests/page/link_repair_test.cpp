#include "page/link_repair.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

namespace {

using namespace std::string_literals;

const std::string kUtf8 = "<head><meta content=\"text/html; charset=utf-8\"></head>";
const std::string kKoi8 = "<head><meta content=\"text/html; charset=koi8-r\"></head>";
const std::string kOther = "<head><meta content=\"text/html; charset=windows-1251\"></head>";

// The repaired page, or "<nothing>" when the repair has nothing to write.
std::string Repair(const std::string& page) {
  page::GrowBuffer out;
  return page::RepairLinksInText(page, out) ? std::string(out.View()) : "<nothing>";
}

TEST(RepairLinksInText, DecodesQuotedLinksIntoTheFilesFolderInThePagesCharset) {
  const struct {
    std::string head;
    std::string body;
    std::string expected;  // the repaired body
  } cases[] = {
      {kUtf8, "<img src=\"p_files/%CF%F0.jpg\">", "<img src=\"p_files/\xD0\x9F\xD1\x80.jpg\">"},
      {kKoi8, "<img src=\"p_files/%CF%F0.jpg\">", "<img src=\"p_files/\xF0\xD2.jpg\">"},
      {kOther, "<img src=\"p_files/%CF%F0.jpg\">", "<img src=\"p_files/\xCF\xF0.jpg\">"},
      {"", "<img src=\"p_files/%CF%F0.jpg\">", "<img src=\"p_files/\xCF\xF0.jpg\">"},
      // Decoded bytes are Windows-1251 even where they look like UTF-8; raw
      // bytes of a link that is decoded are converted with it.
      {kUtf8, "<a href=\"p_files/%D0%9F\">", "<a href=\"p_files/\xD0\xA0\xD1\x9F\">"},
      {kUtf8, "<a href=\"p_files/\xCF%F0\">", "<a href=\"p_files/\xD0\x9F\xD1\x80\">"},
      {kOther, "<a href=\"a_files/%41\"><a href=\"a_files/%42\">",
       "<a href=\"a_files/A\"><a href=\"a_files/B\">"},
      // Links with nothing to decode stay as they stood, raw bytes included.
      {kUtf8, "<img src=\"a/%CF.jpg\"> \xCF\xF0", "<img src=\"a/%CF.jpg\"> \xCF\xF0"},
      {kUtf8, "<a href=\"p_files/\xCF\xF0\">", "<a href=\"p_files/\xCF\xF0\">"},
      {kUtf8, "<a href=\"p_files/\xCF%cf\">", "<a href=\"p_files/\xCF%cf\">"},
      {kOther, "<a href=\"p_Files/%41\">", "<a href=\"p_Files/%41\">"},
      {kOther, "<a href=\"p_files/100%?%ZZ%41%4\">", "<a href=\"p_files/100%?%ZZA%4\">"},
      // Decoding would put a NUL into the page.
      {kUtf8, "<a href=\"p_files/%41%00.jpg\">", "<a href=\"p_files/%41%00.jpg\">"},
      // A link holding "_files" twice is decoded once.
      {kOther, "<a href=\"x_files/y_files/%2541\">", "<a href=\"x_files/y_files/%41\">"},
      // Outside any attribute the link is the text between the nearest quotes.
      {kOther, "<a href=\"x\">p_files %41</a><a href=\"y\">",
       "<a href=\"x\">p_files A</a><a href=\"y\">"},
      // Without a quote before it there is no link; the search goes on after it.
      {"", "p_files/%41 <img src=\"b_files/%41\">", "p_files/%41 <img src=\"b_files/A\">"},
      {kOther, "<p>\"a\" p_files/%41", "<p>\"a\" p_files/%41"},
  };
  for (const auto& c : cases) EXPECT_EQ(Repair(c.head + c.body), c.head + c.expected) << c.body;
}

TEST(RepairLinksInText, CarriesEverythingFromTheFirstNulOver) {
  const std::string utf16 = "\"\0a\0_\0f\0i\0l\0e\0s\0/\0%\0004\0001\0\"\0"s;
  const std::pair<std::string, std::string> cases[] = {
      {"<a href=\"a_files/%41\">\0\"b_files/%41\"\0end"s,
       "<a href=\"a_files/A\">\0\"b_files/%41\"\0end"s},
      {"\"a_files/%41\0\"b\""s, "\"a_files/%41\0\"b\""s},  // a quote past the NUL does not count
      {utf16, utf16},
      // Nothing before the NUL: nothing to write, so the file stays as it is.
      {"\0\"a_files/%41\""s, "<nothing>"},
      {"", "<nothing>"},
  };
  for (const auto& [page, expected] : cases) EXPECT_EQ(Repair(page), expected) << page;
}

}  // namespace
