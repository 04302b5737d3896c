// Throughput of the in-memory page work on a generated catalogue page of
// about 200 KB, tag-dense like the real ones: the link repair of a page
// saved by Firefox, the cleaning (first rewrite, title extraction,
// relayout) that every page gets, all of them together as a job with --fix
// runs them; and the search the rules share, with and without SIMD.
#include <benchmark/benchmark.h>

#include <string>

#include "page/byte_search.h"
#include "page/grow_buffer.h"
#include "page/link_repair.h"
#include "page/page_rewrite.h"
#include "page/title_info.h"
#include "page/title_marker.h"

namespace {

constexpr size_t kPageSize = 200 * 1024;

// A UTF-8 catalogue page: head, site clutter, the information section, the
// blocks the relayout removes, then episode rows and comments with images
// until the page reaches kPageSize. `folder` is how links name the "_files"
// folder: plainly, or percent-encoded as Firefox writes it.
std::string MakePage(const std::string& folder) {
  std::string page =
      "<!DOCTYPE html PUBLIC \"-//W3C//DTD XHTML 1.0 Transitional//EN\">\n"
      "<html><head>\n"
      "<meta http-equiv=\"content-type\" content=\"text/html; charset=utf-8\" />\n"
      "<title>\xD0\x93\xD0\xB0\xD0\xB2\xD0\xB0\xD0\xBD\xD1\x8C " +
      std::string(page::kTitleMarker) + "</title>\n<link rel=\"stylesheet\" href=\"" + folder +
      "/hoshikage.css\" />\n<script type=\"text/javascript\" src=\"" + folder +
      "/jquery.js\"></script>\n</head>\n<body class=\"anime\">\n";
  for (int i = 0; i < 40; ++i) {
    page += "<div class=\"g_menu\"><a href=\"http://hoshikage.example/m" + std::to_string(i) +
            "\"><img src=\"" + folder + "/menu.gif\" alt=\"m\" /></a></div>\n";
  }
  page +=
      "<div class=\"g_content anime_all\">\n<div class=\"g_section info\">\n"
      "<div class=\"g_tabs\"><a href=\"#info\">Info</a></div>\n"
      "<div class=\"g_definitionlist\"><table>\n"
      "<tr><th class=\"field\">Main Title</th><td class=\"value\">Minato (<a "
      "href=\"http://hoshikage.example/a1\">a1</a>)</td></tr>\n"
      "<tr><th class=\"field\">Official Title</th><td class=\"value\"><span "
      "title=\"english\">\n\t<b>Harbor</b></span></td></tr>\n"
      "<tr><th class=\"field\">Type</th><td class=\"value\">TV Series, 26 eps</td></tr>\n"
      "</table></div>\n<div class=\"g_image\"><img src=\"" +
      folder +
      "/poster.jpg\" alt=\"poster\" /></div>\n"
      "<p class=\"g_description\">\xD0\x9C\xD0\xB0\xD0\xBB\xD0\xB5\xD0\xBD\xD1\x8C\xD0\xBA"
      "\xD0\xB8\xD0\xB9 \xD0\xB3\xD0\xBE\xD1\x80\xD0\xBE\xD0\xB4.</p>\n</div>\n"
      "<div class=\"g_section vote\"><form><select><option>10</option></select></form></div>\n"
      "<div class=\"g_definitionlist mylist_add\"><form><select><option>1</option></select>"
      "</form></div>\n"
      "<div class=\"g_section g_notebox\"><p>note</p></div>\n"
      "<ul class=\"g_actionlist\"><li><a href=\"#\">fav</a></li></ul>\n"
      "<table class=\"eplist\">\n";
  for (int i = 0; page.size() < kPageSize; ++i) {
    const std::string n = std::to_string(i);
    page += "<tr><td class=\"num\">" + n +
            "</td><td class=\"name\"><a href=\"http://hoshikage.example/ep" + n +
            "\">\xD0\x9E\xD0\xB3\xD0\xBD\xD0\xB8 " + n +
            "</a></td><td class=\"date\">2009-04-03</td><td><img src=\"" + folder +
            "/star.gif\" alt=\"*\" width=\"9\" height=\"9\"></td></tr>\n";
    if (i % 8 == 0) {
      page += "<tr><td colspan=\"4\"><div class=\"comment\"><span class=\"user\">user" + n +
              "</span> <span class=\"text\">\xD0\xA5\xD0\xBE\xD1\x80\xD0\xBE\xD1\x88\xD0\xBE"
              "</span></div></td></tr>\n";
    }
  }
  page += "</table>\n</div>\n</body>\n</html>\n";
  return page;
}

// Times `transform`, which writes a rewritten form of `page` into a buffer.
template <typename Transform>
void TimeTransform(benchmark::State& state, std::string_view page, Transform transform) {
  for (auto _ : state) {
    page::GrowBuffer out;
    benchmark::DoNotOptimize(transform(page, out));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

bool Repair(std::string_view page, page::GrowBuffer& out) {
  return page::RepairLinksInText(page, out);
}

// The search every rule uses, over the whole page for a literal it holds
// often: with SIMD, and on the portable path that a processor without SSE2
// takes (portable:1).
void BM_Search(benchmark::State& state) {
  const page::SearchPath path =
      state.range(0) != 0 ? page::SearchPath::Portable : page::SearchPath::Fastest;
  const std::string page = MakePage("Harbor_files");
  for (auto _ : state) {
    size_t found = 0;
    for (size_t at = page::FindFrom(page, 0, "_files", path); at != page::kNotFound;
         at = page::FindFrom(page, at + 1, "_files", path)) {
      ++found;
    }
    benchmark::DoNotOptimize(found);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_Search)->ArgName("portable")->Arg(0)->Arg(1);

// The folder's name escaped in Windows-1251, as the older savers wrote it.
void BM_RepairLinks(benchmark::State& state) {
  TimeTransform(state, MakePage("Harbor%20%CF%EE%F0%F2_files"), Repair);
}
BENCHMARK(BM_RepairLinks);

// The same name escaped in UTF-8, as today's browsers write it.
void BM_RepairUtf8Links(benchmark::State& state) {
  TimeTransform(state, MakePage("Harbor%20%D0%9F%D0%BE%D1%80%D1%82_files"), Repair);
}
BENCHMARK(BM_RepairUtf8Links);

// A page that names its folder again and again in plain text, with no quote
// before the first mention or after the last: the repair must stay one pass
// over the page, not one per mention.
void BM_RepairLinksUnquoted(benchmark::State& state) {
  std::string page;
  while (page.size() < kPageSize) page += "Harbor_files ";
  page += "\"" + page;
  TimeTransform(state, page, Repair);
}
BENCHMARK(BM_RepairLinksUnquoted);

void BM_CleanInMemory(benchmark::State& state) {
  const std::string page = MakePage("Harbor_files");
  for (auto _ : state) {
    page::RewrittenPage out;
    page::TitleInfo info;
    benchmark::DoNotOptimize(page::RewritePage(page, false, out, info));
    benchmark::DoNotOptimize(info.title[0]);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_CleanInMemory);

// Every rule a job with --fix runs, together, on a page saved by today's
// browsers (its folder's name escaped in UTF-8): the link repair, the cut,
// the title extraction and the relayout.
void BM_WholeJobInMemory(benchmark::State& state) {
  const std::string page = MakePage("Harbor%20%D0%9F%D0%BE%D1%80%D1%82_files");
  for (auto _ : state) {
    page::RewrittenPage out;
    page::TitleInfo info;
    benchmark::DoNotOptimize(page::RewritePage(page, true, out, info));
    benchmark::DoNotOptimize(info.title[0]);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_WholeJobInMemory);

void BM_FirstRewrite(benchmark::State& state) {
  TimeTransform(state, MakePage("Harbor_files"), page::FirstRewrite);
}
BENCHMARK(BM_FirstRewrite);

void BM_Relayout(benchmark::State& state) {
  page::GrowBuffer cut;
  page::FirstRewrite(MakePage("Harbor_files"), cut);
  TimeTransform(state, cut.View(), page::Relayout);
}
BENCHMARK(BM_Relayout);

}  // namespace
