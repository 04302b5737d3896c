// The fast transforms against the plain rendering of the rules in tests/reference.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <string_view>

#include "page/byte_search.h"
#include "page/charset.h"
#include "page/link_repair.h"
#include "page/page_rewrite.h"
#include "page/title_marker.h"
#include "tests/reference/rules_reference.h"
#include "tests/support/fixtures.h"

namespace page {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using namespace std::string_view_literals;

std::optional<std::string> Repaired(std::string_view page,
                                    const ByteMap* ansiToUtf8 = AnsiToUtf8Map()) {
  GrowBuffer out;
  if (!RepairLinksInText(page, out, ansiToUtf8)) return std::nullopt;
  return std::string(out.View());
}

std::optional<std::string> Cut(std::string_view page) {
  GrowBuffer out;
  if (!FirstRewrite(page, out)) return std::nullopt;
  return std::string(out.View());
}

std::optional<std::string> Relaid(std::string_view page) {
  GrowBuffer out;
  if (!Relayout(page, out)) return std::nullopt;
  return std::string(out.View());
}

// Which transform differs from the rules on `page`, or "" when none does.
std::string Mismatch(std::string_view page, const ByteMap* ansiToUtf8 = AnsiToUtf8Map()) {
  if (SniffCharset(page.substr(0, page.find('\0'))) !=
      reference::SniffCharset(page.substr(0, page.find('\0')))) {
    return "SniffCharset";
  }
  if (Repaired(page, ansiToUtf8) != reference::RepairLinks(page)) return "RepairLinksInText";
  if (Cut(page) != reference::FirstRewrite(page)) return "FirstRewrite";
  if (Relaid(page) != reference::Relayout(page)) return "Relayout";
  return "";
}

// On texts of a few bytes, where needles and their near misses abound, at every length around
// the SIMD steps.
TEST(FastSearches, FindWhatTheStandardSearchesFind) {
  const std::string longNeedle = std::string(64, 'a') + "b_";
  const std::string_view needles[] = {"", "a", "ab", "_a", "a_b\"", "\"a_b", "b\0a"sv, longNeedle};
  // Cores at different places in their literals, a core that overlaps itself, and none.
  const NeedleSet<3> shared({"a_b\"", "<a_b", "_b"});
  const NeedleSet<2> overlapping({"aab", "baa"});
  const NeedleSet<2> apart({"ab", "<\""});
  std::mt19937 random(7);
  for (const SearchPath path : {SearchPath::Fastest, SearchPath::Portable}) {
    for (int n = 0; n < 4000; ++n) {
      std::string text(static_cast<size_t>(n % 200), ' ');
      for (char& byte : text) byte = "ab_\"<\0"[std::uniform_int_distribution<int>(0, 5)(random)];
      // Now and then the long needle itself, anywhere up to the very end.
      if (n % 7 == 0) {
        text.insert(std::uniform_int_distribution<size_t>(0, text.size())(random), longNeedle);
      }
      const std::string_view view = text;
      const size_t from = std::uniform_int_distribution<size_t>(0, text.size() + 1)(random);
      const std::string context = "text \"" + text + "\" from " + std::to_string(from);
      for (const std::string_view needle : needles) {
        ASSERT_EQ(FindFrom(view, from, needle, path), view.find(needle, from))
            << needle << " in " << context;
      }
      const size_t end = std::min(from, text.size());
      ASSERT_EQ(FindLastByte(view.substr(0, end), '"', path), view.substr(0, end).rfind('"'))
          << context;
      // The scans for several literals at once stand on these searches.
      if (path == SearchPath::Portable) continue;
      const std::array<size_t, 3> each = FindEach(view, from, shared);
      for (size_t k = 0; k < 3; ++k) {
        ASSERT_EQ(each[k], view.find(shared.needles[k].bytes, from)) << k << " in " << context;
      }
      const std::array<size_t, 2> both = FindEach(view, from, overlapping);
      ASSERT_EQ(both[0], view.find("aab", from)) << context;
      ASSERT_EQ(both[1], view.find("baa", from)) << context;
      const size_t ab = view.find("ab", from);
      ASSERT_EQ(FindEither(view, from, apart), ab != kNotFound ? ab : view.find("<\"", from))
          << context;
    }
  }
}

TEST(FastRules, MatchThePlainRulesAtEveryStageOfTheSamplePages) {
  int pages = 0;
  const fs::path samples = testsupport::kSamples;
  for (const fs::path& folder : {samples, samples / "expected", samples / "current",
                                 samples / "current" / "expected"}) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
      if (!entry.is_regular_file()) continue;
      ++pages;
      std::string page = testsupport::ReadFile(entry.path().string());
      // As the job takes it: repaired, cut, relaid.
      for (int stage = 0; stage < 3; ++stage) {
        EXPECT_EQ(Mismatch(page), "") << entry.path() << " at stage " << stage;
        const std::optional<std::string> next =
            stage == 0 ? Repaired(page) : stage == 1 ? Cut(page) : Relaid(page);
        if (next) page = *next;
      }
    }
  }
  EXPECT_GE(pages, 22);
}

// A page of `pieces` random pieces: the rules' literals, bytes at their edges, long runs.
std::string GeneratedPage(std::mt19937& random, int pieces) {
  static const std::string kPieces[] = {
      "\"", "\"", "\"", "_files", "_files/", "x_files\"", "_file", "%41", "%CF", "%F0%EE",
      "%00", "%2", "%%", "%cf", "%D0%9F", "%C5%8D", "%E5%AE%9D", "%D1", "\xCF", "\xD0\x9F",
      "\xFF", "\xA8", ">", ">", "<",
      "=", ";", " ", "\t", "\n", "a", "l", "alt", "alt=", "alt=\"", "</div>", "</ul>", "</div",
      "<div", std::string(kTitleMarker), "::", "<body", "<body class=\"x\">",
      "<div class=\"g_section info", "<div class=\"g_section info\">", "<div class=\"g_content",
      "g_section ", "g_section anime_info",
      "<table width=\"100%\"><tr><td valign=\"top\">", "<p class=\"g_description\">",
      "<p class=\"desc\">", "<p class=\"", "<div class=\"g_section vote\">",
      "<div class=\"g_section anime_vote\">", "<div class=\"g_definitionlist mylist_add\">",
      "<div class=\"g_definitionlist anime_table\">", "<div class=\"g_section g_notebox\">",
      "<ul class=\"g_actionlist\">", "<head>", "</head>", "charset", "charset=utf-8;",
      "charset = KOI8-R \"", "charset=windows-1251\"", "\0"s,
      "<img src=\"a_files/%CF.jpg\" alt=\"\">",
  };
  // Runs, so that searches cross long stretches and links outgrow any chunk.
  static const std::string kRuns[] = {"a", "\"", "%CF", "\xE0"};
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces) + std::size(kRuns) - 1);
  std::string page;
  for (int i = 0; i < pieces; ++i) {
    const size_t which = pick(random);
    if (which < std::size(kPieces)) {
      page += kPieces[which];
    } else {
      const std::string& run = kRuns[which - std::size(kPieces)];
      const size_t repeats = std::uniform_int_distribution<size_t>(1, 600)(random);
      for (size_t n = 0; n < repeats; ++n) page += run;
    }
  }
  return page;
}

TEST(FastRules, MatchThePlainRulesOnGeneratedPages) {
  std::mt19937 random(12);
  for (int n = 0; n < 3000; ++n) {
    // Most with few pieces, where the rules meet their edge cases; a few long ones.
    const int pieces = n % 100 == 0 ? 5000 : std::uniform_int_distribution<int>(0, 120)(random);
    const std::string page = GeneratedPage(random, pieces);
    // A third as a system sees them whose ANSI code page does not convert byte by byte.
    ASSERT_EQ(Mismatch(page, n % 3 == 0 ? nullptr : AnsiToUtf8Map()), "")
        << "generated page " << n << ":\n" << page;
  }
}

}  // namespace
}  // namespace page
