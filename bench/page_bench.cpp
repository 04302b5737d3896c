// Throughput of the in-memory page work on a generated catalogue page of
// about 200 KB, tag-dense like the real ones: the link repair of a page
// saved by Firefox, and the cleaning (first rewrite, title extraction,
// relayout) that every page gets. The runs marked portable:1 search without
// SIMD, as a processor without SSE2 would.
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

// Takes the searches' portable path while it lives when the benchmark's
// argument asks for it.
class SearchPath {
 public:
  explicit SearchPath(const benchmark::State& state)
      : was_(page::testing::SetPortableSearch(state.range(0) != 0)) {}
  ~SearchPath() { page::testing::SetPortableSearch(was_); }

 private:
  bool was_;
};

void RepairLinks(benchmark::State& state, const std::string& folder) {
  const SearchPath path(state);
  const std::string page = MakePage(folder);
  for (auto _ : state) {
    page::GrowBuffer out;
    benchmark::DoNotOptimize(page::RepairLinksInText(page, out));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}

// The folder's name escaped in Windows-1251, as the older savers wrote it.
void BM_RepairLinks(benchmark::State& state) { RepairLinks(state, "Harbor%20%CF%EE%F0%F2_files"); }
BENCHMARK(BM_RepairLinks)->ArgName("portable")->Arg(0)->Arg(1);

// The same name escaped in UTF-8, as today's browsers write it.
void BM_RepairUtf8Links(benchmark::State& state) {
  RepairLinks(state, "Harbor%20%D0%9F%D0%BE%D1%80%D1%82_files");
}
BENCHMARK(BM_RepairUtf8Links)->ArgName("portable")->Arg(0);

// A page that names its folder again and again in plain text, with no quote
// before the first mention or after the last: the repair must stay one pass
// over the page, not one per mention.
void BM_RepairLinksUnquoted(benchmark::State& state) {
  std::string page;
  while (page.size() < kPageSize) page += "Harbor_files ";
  page += "\"" + page;
  for (auto _ : state) {
    page::GrowBuffer out;
    benchmark::DoNotOptimize(page::RepairLinksInText(page, out));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_RepairLinksUnquoted);

void BM_CleanInMemory(benchmark::State& state) {
  const SearchPath path(state);
  const std::string page = MakePage("Harbor_files");
  for (auto _ : state) {
    page::RewrittenPage out;
    page::TitleInfo info;
    benchmark::DoNotOptimize(page::RewritePage(page, false, out, info));
    benchmark::DoNotOptimize(info.title[0]);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_CleanInMemory)->ArgName("portable")->Arg(0)->Arg(1);

void BM_FirstRewrite(benchmark::State& state) {
  const std::string page = MakePage("Harbor_files");
  for (auto _ : state) {
    page::GrowBuffer cut;
    benchmark::DoNotOptimize(page::FirstRewrite(page, cut));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_FirstRewrite);

void BM_Relayout(benchmark::State& state) {
  const SearchPath path(state);
  page::GrowBuffer cut;
  page::FirstRewrite(MakePage("Harbor_files"), cut);
  for (auto _ : state) {
    page::GrowBuffer out;
    benchmark::DoNotOptimize(page::Relayout(cut.View(), out));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * cut.View().size()));
}
BENCHMARK(BM_Relayout)->ArgName("portable")->Arg(0)->Arg(1);

}  // namespace
