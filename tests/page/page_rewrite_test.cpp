// The two rewrites of a catalogue page where the samples do not reach: the
// NUL tail, unrecognised pages, and sections that lack a part.
#include "page/page_rewrite.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "page/title_marker.h"

namespace page {
namespace {

using namespace std::string_literals;

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

TEST(Relayout, LaysOutOnlyTheSectionPartsThatArePresent) {
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
}

TEST(Relayout, RemovesBlocksAndBordersAltTagsFromTheCurrentPositionOn) {
  const std::string start = kInfo + "</div></div>";
  const std::string relaid = kInfo + kTable + "<td valign=\"top\"></div></td><td>";
  const std::string vote = "<div class=\"g_section vote\">";
  const std::string note = "<div class=\"g_section g_notebox\">";
  const std::pair<std::string, std::string> cases[] = {
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
  for (const auto& [page, tail] : cases) EXPECT_EQ(Relaid(start + page), relaid + tail) << page;
}

}  // namespace
}  // namespace page
