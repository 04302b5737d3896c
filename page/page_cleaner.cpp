#include "page/page_cleaner.h"

#include <string>
#include <string_view>

#include "page/byte_search.h"
#include "page/charset.h"
#include "page/grow_buffer.h"
#include "page/page_file.h"
#include "page/page_rewrite.h"
#include "page/script_deletion.h"
#include "platform/files.h"

namespace page {
namespace {

// Cuts the page held open in `file`, fills `info` from the cut text and lays
// the page out. Stops, leaving the file as it last was, at the first step
// that cannot be done.
void RewriteOpenPage(platform::ExclusiveFile& file, TitleInfo& info) {
  std::string cut;
  bool utf8 = false;
  {
    std::string original;
    if (!ReadWholeFile(file, original)) return;
    // Sniffed on every page that was read, recognised or not.
    utf8 = SniffCharset(PageText(original).text) == PageCharset::Utf8;
    if (!FirstRewrite(original, cut)) return;
    // A page whose cut cannot be written stays as it was and tells nothing.
    if (!ReplaceFileContents(file, cut, original)) return;
  }
  // The extraction writes NULs into the cut text, which is not used again.
  ExtractTitleInfo(cut.data(), utf8, info);
  cut = std::string();

  std::string current;
  if (!ReadWholeFile(file, current)) return;
  GrowBuffer relaid;
  if (Relayout(current, relaid)) ReplaceFileContents(file, relaid.View(), current);
}

}  // namespace

void CleanPage(const char* path, TitleInfo& info) {
  // Emptied before anything can fail, so no stale value outlives a page.
  info.Clear();
  if (std::unique_ptr<platform::ExclusiveFile> file = platform::Files().OpenExclusive(path)) {
    RewriteOpenPage(*file, info);
  }
  ApplyClosingRule(info);
  DeleteScripts(path);
}

}  // namespace page
